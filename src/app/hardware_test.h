// The hardware test's figures: the drawing-speed result of a timed run, its verdict,
// and the memory that the music test needs.
#pragma once

#include <cstdint>
#include <string>

namespace zh {

inline constexpr int64_t kMusicTestMinimumKb = 3001;
inline constexpr int kHardwareTestWidth = 450;
inline constexpr int kHardwareTestHeight = 220;
inline constexpr int kHardwareRounds = 10;
inline constexpr int kHardwarePolygonsPerRound = 100;

// The speed result of a run of `elapsedMs`: trunc((130000 / T + 2.5) * 0.2) * 5, with
// 130000 / T taken as 1 below 1 ms. Kept in 32 bits: a 16-bit result would wrap on
// runs of 3 ms and less and rate the fastest machines slowest.
int32_t HardwareSpeedResult(uint64_t elapsedMs);
// Message 329 and the rating of the result, then the notes on little memory (under
// 32768 KB) and a narrow screen (under 800 pixels).
std::string HardwareVerdict(int32_t result, int64_t memoryKb, int screenWidth);

}  // namespace zh
