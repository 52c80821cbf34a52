// Block compressor: packs one block of at most 65530 bytes into a self-describing
// block and unpacks it again. Stage 1 codes runs and back-references within the last
// 4098 bytes, stage 2 is a Huffman coder whose code table travels in the block; each
// is applied only when it pays. The first byte holds the flags: bit 0 stage 1, bit 1
// stage 2. Expansion accepts any input: a malformed block gives a non-zero answer,
// never a write outside the output or a read outside the input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zh {

class Compressor {
 public:
  static constexpr size_t kMaxBlock = 65530;
  enum Flags : uint8_t { kStage1 = 1, kStage2 = 2 };

  Compressor();

  // Compresses `length` bytes into dst, which needs room for length + 1 bytes.
  // 0, or 1 when the input is longer than a block.
  int32_t Compress(const uint8_t* src, size_t length, uint8_t* dst, size_t& outLength);
  // Expands a block of `length` bytes into dst (room for `capacity` bytes, of which
  // at most 65530 are used). 0, or 1 for a malformed block (outLength 0).
  int32_t Expand(const uint8_t* src, size_t length, uint8_t* dst, size_t capacity,
                 size_t& outLength);

  // The stages alone. The encoders answer false when they refuse: stage 1 for blocks of
  // 48 bytes or fewer and when it does not pay, stage 2 when a code would be longer
  // than 15 bits or the output would not be shorter than the input. The decoders
  // answer false for malformed input.
  bool EncodeStage1(const uint8_t* src, size_t length, uint8_t* dst, size_t& outLength);
  bool EncodeStage2(const uint8_t* src, size_t length, uint8_t* dst, size_t& outLength);
  bool DecodeStage1(const uint8_t* src, size_t length, uint8_t* dst, size_t capacity,
                    size_t& outLength);
  bool DecodeStage2(const uint8_t* src, size_t length, uint8_t* dst, size_t capacity,
                    size_t& outLength);

 private:
  // Builds the Huffman codes of the byte counts; false when a code is too long.
  bool BuildCodes(const std::array<uint32_t, 256>& counts);

  std::vector<int32_t> hash_;   // last input position of each 12-bit hash, -1 for none
  std::vector<uint8_t> work_;   // the intermediate result
  std::array<uint16_t, 256> code_{};
  std::array<uint8_t, 256> codeLength_{};
};

}  // namespace zh
