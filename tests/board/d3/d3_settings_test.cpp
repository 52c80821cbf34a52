#include "board/d3/d3_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "board/d3/piece_model.h"
#include "core/python_runner.h"
#include "core/temp_dir.h"
#include "support/recording_services.h"

namespace zh::d3 {
namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs settings_ini.py; its output, or "failed".
std::string Python(const std::vector<std::string>& args) {
  std::string command = Quote(ZH_PYTHON3) + " " + Quote(std::string(ZH_SOURCE_DIR) + "/tests/board/d3/settings_ini.py");
  for (const std::string& a : args) command += " " + Quote(a);
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "failed";
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  return pclose(pipe) == 0 ? out : "failed";
}

std::map<std::string, std::vector<double>> ParseRead(const std::string& text) {
  std::map<std::string, std::vector<double>> values;
  std::istringstream lines(text);
  std::string key, list;
  while (lines >> key >> list) {
    std::vector<double>& v = values[key];
    std::istringstream parts(list);
    std::string part;
    while (std::getline(parts, part, ',')) v.push_back(std::stod(part));
  }
  return values;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

D3Settings LoadText(const test::TempDir& dir, const std::string& text) {
  WriteFile(dir / "Z5.ini", text);
  ProfileFile file;
  EXPECT_TRUE(file.Open(dir / "Z5.ini"));
  D3Settings s;
  s.LoadFrom(file);
  return s;
}

double Azimuth(Vec3 v) {
  ToSpherical(v);
  return v.z;
}

double Polar(Vec3 v) {
  ToSpherical(v);
  return v.y;
}

TEST(D3Settings, AnEmptyFileGivesTheDefaults) {
  test::TempDir dir;
  const D3Settings s = LoadText(dir, "");
  EXPECT_EQ(s.observer, (Vec3{60, -1, 59}));
  EXPECT_EQ(s.lightVec, (Vec3{60, -150, 130}));
  EXPECT_EQ(s.lightIntens, 1.0);
  EXPECT_EQ(s.lightAmbient, 0.35);
  EXPECT_EQ(s.light.direction, s.lightVec);
  EXPECT_NEAR(s.light.length, std::sqrt(60.0 * 60 + 150 * 150 + 130 * 130), 1e-12);
  EXPECT_EQ(s.sqSize, 5.9);
  EXPECT_EQ(s.boardMargin, 1.0);
  EXPECT_EQ(s.rotation, 16);
  EXPECT_TRUE(s.shadows);
  EXPECT_TRUE(s.grating);
  EXPECT_FALSE(s.steering);
  EXPECT_FALSE(s.smoothAnim);
  EXPECT_FALSE(s.sqMarkSimple);
  EXPECT_EQ(s.pieces, 2);
  EXPECT_EQ(s.animation, 3);
  EXPECT_EQ(s.sizeCoeff, 0.0);
  EXPECT_EQ(s.scale, 0.00029);
  EXPECT_EQ(s.projection, 100.0);
  // The colours, in the published decimal and hexadecimal forms alike.
  EXPECT_EQ(s.colWhitePieces, ColorRecord::Rgb(65535, 65024, 51712));
  EXPECT_EQ(s.colBlackPieces, ColorRecord::Rgb(56000, 27000, 19500));
  EXPECT_EQ(s.colWhiteSquares, ColorRecord::Rgb(56576, 54528, 39680));
  EXPECT_EQ(s.colBlackSquares, ColorRecord::Rgb(39424, 29696, 21504));
  EXPECT_EQ(s.colWhitePieces, ColorRecord::Rgb(0xFFFF, 0xFE00, 0xCA00));
  EXPECT_EQ(s.colBlackPieces, ColorRecord::Rgb(0xDAC0, 0x6978, 0x4C2C));
  EXPECT_EQ(s.colWhiteSquares.name, ColorRecord::kByComponents);
  EXPECT_EQ(s.colBackground.name, 0);
  EXPECT_EQ(s.colSquareMark.name, 10);
}

D3Settings Unusual() {
  D3Settings s;
  s.observer = {-12.345678, 33.000004, 71.25};
  s.lightVec = {1.5, -2.25, 99.999996};
  s.lightIntens = 0.8125;
  s.lightAmbient = 0.123456;
  s.sqSize = 7.654321;
  s.boardMargin = 0.25;
  s.rotation = 24;
  s.shadows = false;
  s.grating = false;
  s.smoothAnim = true;
  s.sqMarkSimple = true;
  s.pieces = 1;
  s.animation = 9;
  s.colWhitePieces = ColorRecord::Rgb(1, 2, 3);
  s.colBlackPieces = ColorRecord::Rgb(65535, 0, 4096);
  s.colWhiteSquares = ColorRecord::Rgb(100, 200, 300);
  s.colBlackSquares = ColorRecord::Rgb(7, 8, 9);
  s.sizeCoeff = 0.000294;
  return s;
}

TEST(D3Settings, ConfigparserReadsTheSavedGroup) {
  test::TempDir dir;
  const D3Settings s = Unusual();
  {
    ProfileFile file;
    ASSERT_TRUE(file.Open(dir / "Z5.ini"));
    s.SaveTo(file);
    ASSERT_TRUE(file.Flush());
  }
  auto values = ParseRead(Python({"read", (dir / "Z5.ini").string()}));
  const std::map<std::string, std::vector<double>> expected = {
      {"Observer", {s.observer.x, s.observer.y, s.observer.z}},
      {"LightVec", {s.lightVec.x, s.lightVec.y, s.lightVec.z}},
      {"LightIntens", {s.lightIntens}},
      {"LightAmbient", {s.lightAmbient}},
      {"SqSize", {s.sqSize}},
      {"BoardMargin", {s.boardMargin}},
      {"Rotation", {24}},
      {"Shadows", {1}},
      {"Grating", {1}},
      {"Pieces", {1}},
      {"Animation", {9}},
      {"SmoothAnim", {2}},
      {"SqMarkSimple", {2}},
      {"ColWhitePieces", {1, 2, 3}},
      {"ColBlackPieces", {65535, 0, 4096}},
      {"ColWhiteSquares", {100, 200, 300}},
      {"ColBlackSquares", {7, 8, 9}},
      {"SizeCoeff", {s.sizeCoeff}},
  };
  ASSERT_EQ(values.size(), expected.size());
  for (const auto& [key, numbers] : expected) {
    ASSERT_EQ(values[key].size(), numbers.size()) << key;
    for (size_t i = 0; i < numbers.size(); ++i) EXPECT_NEAR(values[key][i], numbers[i], 0.5e-5) << key;
  }
  // And the record reads its own file back to five decimals.
  ProfileFile file;
  ASSERT_TRUE(file.Open(dir / "Z5.ini"));
  D3Settings back;
  back.LoadFrom(file);
  EXPECT_NEAR(back.observer.y, s.observer.y, 0.5e-5);
  EXPECT_NEAR(back.sizeCoeff, s.sizeCoeff, 0.5e-5);
  EXPECT_EQ(back.colBlackPieces, s.colBlackPieces);
  EXPECT_TRUE(back.sqMarkSimple);
}

TEST(D3Settings, AGroupRewrittenByConfigparserLoads) {
  test::TempDir dir;
  WriteFile(dir / "Z5.ini", "[General]\nLife=3\n");
  ASSERT_NE(Python({"write", (dir / "Z5.ini").string(), "Observer=10.5,-20,30.25", "LightIntens=0.5",
                    "LightAmbient=0.2", "LightVec=1,2,3", "Rotation=12", "Shadows=1", "Pieces=0",
                    "ColBlackSquares=10,20,30", "SqSize=4.5", "SizeCoeff=0.001"}),
            "failed");
  ProfileFile file;
  ASSERT_TRUE(file.Open(dir / "Z5.ini"));
  D3Settings s;
  s.LoadFrom(file);
  EXPECT_EQ(s.observer, (Vec3{10.5, -20, 30.25}));
  EXPECT_EQ(s.lightVec, (Vec3{1, 2, 3}));
  EXPECT_EQ(s.light.intensity, 0.5);
  EXPECT_EQ(s.light.ambient, 0.2);
  EXPECT_EQ(s.light.direction, (Vec3{1, 2, 3}));
  EXPECT_EQ(s.rotation, 12);
  EXPECT_FALSE(s.shadows);
  EXPECT_EQ(s.pieces, 0);
  EXPECT_EQ(s.colBlackSquares, ColorRecord::Rgb(10, 20, 30));
  EXPECT_EQ(s.sqSize, 4.5);
  EXPECT_EQ(s.sizeCoeff, 0.001);
  EXPECT_EQ(s.boardMargin, 1.0);  // missing: kept
}

TEST(D3Settings, OutOfRangeValuesLoadClampedAndUnreadableRealsKeepTheField) {
  struct Case {
    const char* line;
    std::function<bool(const D3Settings&)> holds;
  } cases[] = {
      {"Rotation=0", [](const D3Settings& s) { return s.rotation == 3; }},
      {"Rotation=-5", [](const D3Settings& s) { return s.rotation == 3; }},
      {"Rotation=64", [](const D3Settings& s) { return s.rotation == 63; }},
      {"Rotation=32767", [](const D3Settings& s) { return s.rotation == 63; }},
      {"Rotation=99999", [](const D3Settings& s) { return s.rotation == 63; }},
      {"Pieces=7", [](const D3Settings& s) { return s.pieces == 2; }},
      {"Pieces=-1", [](const D3Settings& s) { return s.pieces == 2; }},
      {"SqSize=0", [](const D3Settings& s) { return s.sqSize == 1.0; }},
      {"SqSize=99", [](const D3Settings& s) { return s.sqSize == 20.0; }},
      {"SqSize=nan", [](const D3Settings& s) { return s.sqSize == 5.9; }},
      {"SqSize=inf", [](const D3Settings& s) { return s.sqSize == 5.9; }},
      {"SqSize=1e999", [](const D3Settings& s) { return s.sqSize == 5.9; }},
      {"BoardMargin=-2", [](const D3Settings& s) { return s.boardMargin == 0.0; }},
      {"BoardMargin=11", [](const D3Settings& s) { return s.boardMargin == 10.0; }},
      {"LightIntens=nan", [](const D3Settings& s) { return s.light.intensity == 1.0; }},
      {"Observer=1e999,0,0", [](const D3Settings& s) { return s.observer == Vec3{60, -1, 59}; }},
      {"Observer=", [](const D3Settings& s) { return s.observer == Vec3{60, -1, 59}; }},
      {"Animation=40", [](const D3Settings& s) { return s.animation == 40; }},  // not limited here
  };
  test::TempDir dir;
  test::RecordingServices services;
  for (const Case& c : cases) {
    const D3Settings s = LoadText(dir, std::string("[3DSetting]\n") + c.line + "\n");
    EXPECT_TRUE(c.holds(s)) << c.line;
    // The models build whole at the loaded detail.
    for (int type = 0; type < 6; ++type) PieceModel::Build("M", type, s.rotation, s.pieces);
  }
  EXPECT_TRUE(services.calls.empty()) << services.calls.front();
}

struct ScriptedRandom final : RandomService {
  std::deque<uint32_t> draws;
  uint32_t Next() override {
    const uint32_t r = draws.front();
    draws.pop_front();
    return r;
  }
};

TEST(D3Settings, RandomObserverDrawsYThenXThenZ) {
  ScriptedRandom random;
  Services installed;
  installed.random = &random;
  ScopedServices guard(installed);
  D3Settings s;
  random.draws = {0, 0, 0};
  s.SetRandomObserver();
  EXPECT_EQ(s.observer, (Vec3{26, -20, 15}));
  random.draws = {39, 49, 59};
  s.SetRandomObserver();
  EXPECT_EQ(s.observer, (Vec3{75, 19, 74}));
  random.draws = {4000000039u, 4000000049u, 4000000059u};  // large draws stay in range
  s.SetRandomObserver();
  EXPECT_EQ(s.observer, (Vec3{26 + 4000000049u % 50, 4000000039u % 40 - 20.0, 15 + 4000000059u % 60}));
}

TEST(D3Settings, Steering) {
  struct Case {
    const char* what;
    std::function<void(D3Settings&)> prepare;
    std::function<void(D3Settings&)> step;
    int repeat;
    std::function<bool(const D3Settings&, const D3Settings&)> holds;  // (before, after)
  } cases[] = {
      {"Raise ends at 0.05", [](D3Settings&) {}, [](D3Settings& s) { s.Raise(40); }, 200,
       [](const D3Settings&, const D3Settings& s) { return std::fabs(Polar(s.observer) - 0.05) < 1e-4; }},
      {"Raise leaves the light", [](D3Settings&) {}, [](D3Settings& s) { s.Raise(40); }, 3,
       [](const D3Settings& b, const D3Settings& s) { return s.lightVec == b.lightVec && s.observer.z > b.observer.z; }},
      {"Lower stops at height 12", [](D3Settings&) {}, [](D3Settings& s) { s.Lower(40); }, 200,
       [](const D3Settings&, const D3Settings& s) { return s.observer.z >= 12.28 - 1e-9; }},
      {"Lower does nothing at 12 or below", [](D3Settings& s) { s.observer = {30, 0, 12}; },
       [](D3Settings& s) { s.Lower(40); }, 5,
       [](const D3Settings& b, const D3Settings& s) { return s.observer == b.observer; }},
      {"ZoomIn never passes 1", [](D3Settings& s) { s.scale = 0.95; }, [](D3Settings& s) {
         s.ZoomIn(true);
         EXPECT_LE(s.scale, 1.0);
       }, 5, [](const D3Settings&, const D3Settings& s) { return s.scale == 1.0; }},
      {"ZoomOut stops above 0.01 + step", [](D3Settings& s) { s.scale = 1.0; }, [](D3Settings& s) { s.ZoomOut(false); },
       100, [](const D3Settings&, const D3Settings& s) { return s.scale > 0.01 && s.scale <= 0.03 + 1e-12; }},
      {"ZoomOut fast", [](D3Settings& s) { s.scale = 0.105; }, [](D3Settings& s) { s.ZoomOut(true); }, 1,
       [](const D3Settings&, const D3Settings& s) { return s.scale == 0.105; }},
      {"MoveNearer does nothing within 40", [](D3Settings& s) { s.observer = {20, 20, 20}; },
       [](D3Settings& s) { s.MoveNearer(false); }, 1,
       [](const D3Settings& b, const D3Settings& s) { return s.observer == b.observer; }},
      {"MoveNearer does nothing below height 12", [](D3Settings& s) { s.observer = {50, 0, 11}; },
       [](D3Settings& s) { s.MoveNearer(true); }, 1,
       [](const D3Settings& b, const D3Settings& s) { return s.observer == b.observer; }},
      {"MoveNearer", [](D3Settings& s) { s.observer = {0, 0, 50}; }, [](D3Settings& s) { s.MoveNearer(true); }, 1,
       [](const D3Settings&, const D3Settings& s) { return s.observer == Vec3{0, 0, 20}; }},
      {"MoveFarther does nothing at 15000", [](D3Settings& s) { s.observer = {100, 50, 50}; },
       [](D3Settings& s) { s.MoveFarther(false); }, 1,
       [](const D3Settings& b, const D3Settings& s) { return s.observer == b.observer; }},
      {"MoveFarther", [](D3Settings& s) { s.observer = {100, 0, 70}; }, [](D3Settings& s) { s.MoveFarther(true); }, 1,
       [](const D3Settings&, const D3Settings& s) { return s.observer == Vec3{200, 0, 140}; }},
      {"Mirror twice restores the view", [](D3Settings&) {}, [](D3Settings& s) { s.Mirror(); }, 2,
       [](const D3Settings& b, const D3Settings& s) {
         return s.observer == b.observer && s.lightVec == b.lightVec && s.light.direction == b.light.direction;
       }},
      {"Mirror", [](D3Settings&) {}, [](D3Settings& s) { s.Mirror(); }, 1,
       [](const D3Settings&, const D3Settings& s) {
         return s.observer == Vec3{-60, 1, 59} && s.light.direction == Vec3{-60, 150, 130};
       }},
      {"Turns keep the light relative to the observer", [](D3Settings&) {},
       [](D3Settings& s) {
         s.TurnRight(7);
         s.TurnLeft(13);
         s.TurnLeft(13);
       }, 9,
       [](const D3Settings& b, const D3Settings& s) {
         const double before = Azimuth(b.lightVec) - Azimuth(b.observer);
         const double after = Azimuth(s.lightVec) - Azimuth(s.observer);
         const double d = std::remainder(after - before, 2 * std::numbers::pi);
         return std::fabs(d) < 1e-9 && std::fabs(s.observer.z - b.observer.z) < 1e-9 &&
                s.light.direction == s.lightVec;
       }},
      {"SetAzimuth flipped", [](D3Settings&) {}, [](D3Settings& s) { s.SetAzimuth(true); }, 1,
       [](const D3Settings& b, const D3Settings& s) {
         const double turn = std::numbers::pi - Azimuth(b.observer);
         return std::fabs(std::fabs(Azimuth(s.observer)) - std::numbers::pi) < 1e-9 &&
                std::fabs(std::remainder(Azimuth(s.lightVec) - Azimuth(b.lightVec) - turn, 2 * std::numbers::pi)) < 1e-9;
       }},
  };
  for (const Case& c : cases) {
    D3Settings s;
    c.prepare(s);
    const D3Settings before = s;
    for (int i = 0; i < c.repeat; ++i) c.step(s);
    EXPECT_TRUE(c.holds(before, s)) << c.what << ": observer " << s.observer.x << "," << s.observer.y << ","
                                    << s.observer.z << " scale " << s.scale;
  }
}

TEST(D3Settings, TurningThroughTheYAxisGoesOnSmoothly) {
  constexpr double kDegree = std::numbers::pi / 180;
  D3Settings right;
  right.SetAzimuth(false);
  EXPECT_NEAR(Azimuth(right.observer), 0, 1e-12);
  for (int i = 0; i < 75; ++i) right.TurnRight(300);
  EXPECT_NEAR(Azimuth(right.observer) / kDegree, 90, 1e-6);
  right.TurnRight(300);
  EXPECT_NEAR(Azimuth(right.observer) / kDegree, 91.2, 1e-6);
  D3Settings left;
  left.SetAzimuth(false);
  for (int i = 0; i < 76; ++i) left.TurnLeft(300);
  EXPECT_NEAR(Azimuth(left.observer) / kDegree, -91.2, 1e-6);
}

}  // namespace
}  // namespace zh::d3
