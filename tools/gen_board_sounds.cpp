// Synthesises the board sounds into a folder: wooden knocks for moves (filtered noise
// bursts with a short resonant tone), harder double knocks for captures, a chime for
// a new game and a clock tick. A fixed seed makes every run write the same bytes.
//
// Usage: gen_board_sounds <folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// A small generator of our own, so that the bytes do not depend on the library.
class Noise {
 public:
  explicit Noise(uint64_t seed) : state_(seed) {}
  // Uniform in [-1, 1).
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<double>(state_ >> 11) / 4503599627370496.0 - 1.0;
  }

 private:
  uint64_t state_;
};

struct Knock {
  double at;         // seconds from the start
  double length;     // seconds
  double tone;       // Hz of the resonance
  double toneLevel;  // 0..1
  double noiseLevel; // 0..1
  double decay;      // 1/s
  double lowpass;    // 0..1 smoothing of the noise (higher is darker)
};

struct Sound {
  const char* name;
  double length;
  std::vector<Knock> knocks;
};

// The files, by name, with their knocks.
std::vector<Sound> Sounds() {
  return {
      {"newgame", 0.9, {{0.0, 0.25, 523.3, 0.6, 0.05, 9, 0.8},
                        {0.18, 0.25, 659.3, 0.6, 0.05, 9, 0.8},
                        {0.36, 0.5, 784.0, 0.7, 0.05, 6, 0.8}}},
      {"move", 0.25, {{0.0, 0.2, 310, 0.35, 0.6, 38, 0.55}}},
      {"move2", 0.25, {{0.0, 0.2, 290, 0.35, 0.6, 42, 0.60}}},
      {"move3", 0.25, {{0.0, 0.2, 335, 0.30, 0.65, 36, 0.50}}},
      {"move4", 0.25, {{0.0, 0.2, 275, 0.40, 0.55, 40, 0.65}}},
      {"movehit1", 0.3, {{0.0, 0.25, 420, 0.45, 0.7, 30, 0.35}}},
      {"movehit2", 0.3, {{0.0, 0.25, 395, 0.45, 0.7, 32, 0.40}}},
      {"movehit3", 0.3, {{0.0, 0.25, 450, 0.40, 0.75, 28, 0.30}}},
      {"capture", 0.4, {{0.0, 0.2, 300, 0.35, 0.6, 38, 0.55}, {0.09, 0.25, 240, 0.45, 0.7, 30, 0.6}}},
      {"capture2", 0.4, {{0.0, 0.2, 320, 0.35, 0.6, 38, 0.5}, {0.11, 0.25, 255, 0.45, 0.7, 28, 0.6}}},
      {"capture3", 0.4, {{0.0, 0.2, 285, 0.35, 0.6, 40, 0.6}, {0.08, 0.25, 230, 0.45, 0.7, 32, 0.65}}},
      {"caphit1", 0.45, {{0.0, 0.2, 430, 0.45, 0.7, 30, 0.35}, {0.1, 0.3, 350, 0.5, 0.8, 24, 0.4}}},
      {"caphit2", 0.45, {{0.0, 0.2, 410, 0.45, 0.7, 30, 0.35}, {0.12, 0.3, 330, 0.5, 0.8, 24, 0.4}}},
      {"caphit3", 0.45, {{0.0, 0.2, 455, 0.45, 0.7, 30, 0.3}, {0.09, 0.3, 365, 0.5, 0.8, 24, 0.35}}},
      {"tick", 0.5, {{0.0, 0.03, 2200, 0.5, 0.5, 160, 0.2}}},
  };
}

std::vector<int16_t> Render(const Sound& sound, Noise& noise) {
  std::vector<double> mix(static_cast<size_t>(sound.length * kRate), 0.0);
  for (const Knock& knock : sound.knocks) {
    const size_t start = static_cast<size_t>(knock.at * kRate);
    const size_t count = static_cast<size_t>(knock.length * kRate);
    double smooth = 0;
    for (size_t i = 0; i < count && start + i < mix.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double envelope = std::exp(-knock.decay * t) * std::min(1.0, t * 2000.0);
      smooth = knock.lowpass * smooth + (1 - knock.lowpass) * noise.Next();
      mix[start + i] += envelope * (knock.noiseLevel * smooth +
                                    knock.toneLevel * std::sin(2 * kPi * knock.tone * t));
    }
  }
  double peak = 1e-9;
  for (double v : mix) peak = std::max(peak, std::fabs(v));
  std::vector<int16_t> samples(mix.size());
  for (size_t i = 0; i < mix.size(); ++i)
    samples[i] = static_cast<int16_t>(std::lround(mix[i] / peak * 0.8 * 32767));
  return samples;
}

void PutLe(std::ofstream& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool WriteWave(const std::filesystem::path& path, const std::vector<int16_t>& samples) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  out.write("RIFF", 4);
  PutLe(out, 36 + dataBytes, 4);
  out.write("WAVEfmt ", 8);
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, 1, 2);  // mono
  PutLe(out, kRate, 4);
  PutLe(out, kRate * 2, 4);
  PutLe(out, 2, 2);
  PutLe(out, 16, 2);
  out.write("data", 4);
  PutLe(out, dataBytes, 4);
  for (int16_t s : samples) PutLe(out, static_cast<uint16_t>(s), 2);
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_board_sounds <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  Noise noise(0x5eed20261211ull);
  for (const Sound& sound : Sounds()) {
    const auto path = folder / (std::string(sound.name) + ".wav");
    if (!WriteWave(path, Render(sound, noise))) {
      std::fprintf(stderr, "gen_board_sounds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
