#include "board/d3/d3_settings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/services.h"

namespace zh::d3 {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kLowestPolar = 0.05;
constexpr double kHighestPolar = 1.6707963267948966;  // a little below the horizon
constexpr double kLowestHeight = 12;
constexpr double kLiftedHeight = 12.28;
constexpr double kNearest = 40;
constexpr double kFarthestSquared = 15000;

bool ReadReal(const ProfileFile& file, const char* key, double& target) {
  double value = target;
  if (!file.ReadDouble(key, value) || !std::isfinite(value)) return false;
  target = value;
  return true;
}

bool ReadVector(const ProfileFile& file, const char* key, Vec3& target) {
  std::array<double, 3> value{target.x, target.y, target.z};
  if (!file.ReadDoubleTriple(key, value)) return false;
  if (!std::all_of(value.begin(), value.end(), [](double v) { return std::isfinite(v); })) return false;
  target = {value[0], value[1], value[2]};
  return true;
}

void WriteVector(ProfileFile& file, const char* key, const Vec3& v) {
  file.WriteDoubleTriple(key, {v.x, v.y, v.z});
}

void ReadColor(const ProfileFile& file, const char* key, ColorRecord& target) {
  Rgb16 rgb{target.red, target.green, target.blue};
  if (!file.ReadColor(key, rgb)) return;
  target.red = rgb.red;
  target.green = rgb.green;
  target.blue = rgb.blue;
}

void WriteColor(ProfileFile& file, const char* key, const ColorRecord& c) {
  file.WriteColor(key, Rgb16{c.red, c.green, c.blue});
}

void ReadShortClamped(const ProfileFile& file, const char* key, int16_t& target) {
  int32_t value = target;
  if (file.ReadLong(key, value))
    target = static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

// Turns a vector about the vertical axis, keeping its length and height.
void TurnVector(Vec3& v, double angle) {
  ToSpherical(v);
  v.z += angle;
  FromSpherical(v);
}

}  // namespace

D3Settings::D3Settings() { SetDefaults(); }

void D3Settings::SetDefaults() {
  observer = {60, -1, 59};
  lightIntens = 1.0;
  lightAmbient = 0.35;
  lightVec = {60, -150, 130};
  RebuildLight();
  scale = 0.00029;
  projection = 100.0;
  sqSize = 5.9;
  boardMargin = 1.0;
  shadows = true;
  grating = true;
  steering = false;
  smoothAnim = false;
  sqMarkSimple = false;
  rotation = 16;
  pieces = 2;
  animation = 3;
  colWhitePieces = ColorRecord::Rgb(0xFFFF, 0xFE00, 0xCA00);
  colBlackPieces = ColorRecord::Rgb(0xDAC0, 0x6978, 0x4C2C);
  colWhiteSquares = ColorRecord::Rgb(0xDD00, 0xD500, 0x9B00);
  colBlackSquares = ColorRecord::Rgb(0x9A00, 0x7400, 0x5400);
  colBackground = ColorRecord{kBackgroundName, 0, 0, 0};
  colSquareMark = ColorRecord{kSquareMarkName, 0, 0, 0};
}

void D3Settings::RebuildLight() {
  light.intensity = lightIntens;
  light.ambient = lightAmbient;
  light.secondary = {};
  light.SetDirection(lightVec);
}

void D3Settings::ClampToRanges() {
  const D3Ranges& r = kD3Ranges;
  rotation = std::clamp(rotation, r.minRotation, r.maxRotation);
  if (pieces < r.minPieces || pieces > r.maxPieces) pieces = r.maxPieces;
  sqSize = std::clamp(sqSize, r.minSqSize, r.maxSqSize);
  boardMargin = std::clamp(boardMargin, r.minBoardMargin, r.maxBoardMargin);
}

void D3Settings::LoadFrom(ProfileFile& file) {
  file.SelectGroup(kGroup);
  ReadVector(file, "Observer", observer);
  ReadVector(file, "LightVec", lightVec);
  ReadReal(file, "LightIntens", lightIntens);
  ReadReal(file, "LightAmbient", lightAmbient);
  RebuildLight();
  ReadReal(file, "SqSize", sqSize);
  ReadReal(file, "BoardMargin", boardMargin);
  ReadShortClamped(file, "Rotation", rotation);
  file.ReadFlag("Shadows", shadows);
  file.ReadFlag("Grating", grating);
  ReadShortClamped(file, "Pieces", pieces);
  ReadShortClamped(file, "Animation", animation);
  file.ReadFlag("SmoothAnim", smoothAnim);
  file.ReadFlag("SqMarkSimple", sqMarkSimple);
  ReadColor(file, "ColWhitePieces", colWhitePieces);
  ReadColor(file, "ColBlackPieces", colBlackPieces);
  ReadColor(file, "ColWhiteSquares", colWhiteSquares);
  ReadColor(file, "ColBlackSquares", colBlackSquares);
  ReadReal(file, "SizeCoeff", sizeCoeff);
  ClampToRanges();
}

void D3Settings::SaveTo(ProfileFile& file) const {
  file.DeleteGroup(kGroup);
  file.SelectGroup(kGroup);
  WriteVector(file, "Observer", observer);
  WriteVector(file, "LightVec", lightVec);
  file.WriteDouble("LightIntens", lightIntens);
  file.WriteDouble("LightAmbient", lightAmbient);
  file.WriteDouble("SqSize", sqSize);
  file.WriteDouble("BoardMargin", boardMargin);
  file.WriteShort("Rotation", rotation);
  file.WriteFlag("Shadows", shadows);
  file.WriteFlag("Grating", grating);
  file.WriteShort("Pieces", pieces);
  file.WriteShort("Animation", animation);
  file.WriteFlag("SmoothAnim", smoothAnim);
  file.WriteFlag("SqMarkSimple", sqMarkSimple);
  WriteColor(file, "ColWhitePieces", colWhitePieces);
  WriteColor(file, "ColBlackPieces", colBlackPieces);
  WriteColor(file, "ColWhiteSquares", colWhiteSquares);
  WriteColor(file, "ColBlackSquares", colBlackSquares);
  file.WriteDouble("SizeCoeff", sizeCoeff);
}

bool D3Settings::Load() {
  ProfileFile file;
  if (!file.OpenDefault()) return false;
  LoadFrom(file);
  return true;
}

bool D3Settings::Save() const {
  ProfileFile file;
  if (!file.OpenDefault()) return false;
  SaveTo(file);
  return file.Flush();
}

void D3Settings::SetRandomObserver() {
  RandomService& random = Random();
  const uint32_t r1 = random.Next();
  const uint32_t r2 = random.Next();
  const uint32_t r3 = random.Next();
  observer.y = static_cast<double>(r1 % 40) - 20;
  observer.x = static_cast<double>(r2 % 50) + 26;
  observer.z = static_cast<double>(r3 % 60) + 15;
}

void D3Settings::Turn(double angle) {
  TurnVector(observer, angle);
  TurnVector(lightVec, angle);
  RebuildLight();
}

void D3Settings::TurnRight(int divisor) {
  if (divisor != 0) Turn(kTwoPi / divisor);
}

void D3Settings::TurnLeft(int divisor) {
  if (divisor != 0) Turn(-kTwoPi / divisor);
}

void D3Settings::Raise(int divisor) {
  if (divisor == 0) return;
  Vec3 v = observer;
  ToSpherical(v);
  if (v.y <= kLowestPolar) return;
  v.y = std::max(v.y - kTwoPi / divisor, kLowestPolar);
  FromSpherical(v);
  observer = v;
}

void D3Settings::Lower(int divisor) {
  if (divisor == 0 || observer.z <= kLowestHeight) return;
  Vec3 v = observer;
  ToSpherical(v);
  if (v.y < kHighestPolar) v.y += kTwoPi / divisor;
  FromSpherical(v);
  observer = v;
  if (observer.z < kLowestHeight) observer.z = kLiftedHeight;
}

void D3Settings::ZoomIn(bool fast) {
  scale += fast ? 0.1 : 0.02;
  if (scale > 1) scale = 1.0;
}

void D3Settings::ZoomOut(bool fast) {
  const double step = fast ? 0.1 : 0.02;
  if (scale > step + 0.01) scale -= step;
}

void D3Settings::MoveNearer(bool fast) {
  if (observer.z >= kLowestHeight && std::sqrt(observer.SquaredLength()) > kNearest)
    observer = observer * (fast ? 0.4 : 0.8);
}

void D3Settings::MoveFarther(bool fast) {
  if (observer.SquaredLength() < kFarthestSquared) observer = observer * (fast ? 2.0 : 1.2);
}

void D3Settings::Mirror() {
  observer.x = -observer.x;
  observer.y = -observer.y;
  lightVec.x = -lightVec.x;
  lightVec.y = -lightVec.y;
  RebuildLight();
}

void D3Settings::SetAzimuth(bool flipped) {
  Vec3 v = observer;
  ToSpherical(v);
  const double turn = (flipped ? std::numbers::pi : 0.0) - v.z;
  Turn(turn);
}

namespace {
D3Settings* gInstalled = nullptr;
}  // namespace

D3Settings& TheD3Settings() {
  static D3Settings defaults;
  return gInstalled ? *gInstalled : defaults;
}

void SetTheD3Settings(D3Settings* settings) { gInstalled = settings; }

}  // namespace zh::d3
