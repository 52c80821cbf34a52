#include "core/toolbox/compressor.h"

#include <algorithm>
#include <cstring>

namespace zh {
namespace {

constexpr size_t kMaxRun = 4114;
constexpr size_t kMaxMatch = 271;
constexpr size_t kMaxDistance = 4098;
constexpr int kMaxCodeLength = 15;

// Bits most significant first into a byte buffer that may not reach `limit` bytes.
class BitWriter {
 public:
  BitWriter(uint8_t* out, size_t limit) : out_(out), limit_(limit) {}
  bool Put(uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      acc_ = static_cast<uint8_t>((acc_ << 1) | ((bits >> i) & 1));
      if (++pending_ == 8) {
        if (pos_ >= limit_) return false;
        out_[pos_++] = acc_;
        acc_ = 0;
        pending_ = 0;
      }
    }
    return true;
  }
  size_t Size() const { return pos_; }

 private:
  uint8_t* out_;
  size_t limit_;
  size_t pos_ = 0;
  uint8_t acc_ = 0;
  int pending_ = 0;
};

// Bits most significant first; reading past the end fails.
class BitReader {
 public:
  BitReader(const uint8_t* in, size_t size) : in_(in), size_(size) {}
  bool Get(int count, uint32_t& bits) {
    bits = 0;
    for (int i = 0; i < count; ++i) {
      if (bit_ >= size_ * 8) return false;
      bits = (bits << 1) | ((in_[bit_ / 8] >> (7 - bit_ % 8)) & 1);
      ++bit_;
    }
    return true;
  }

 private:
  const uint8_t* in_;
  size_t size_;
  size_t bit_ = 0;
};

// A min-heap of tree nodes keyed by their counts.
class NodeHeap {
 public:
  explicit NodeHeap(const uint32_t* weight) : weight_(weight) {}
  void Add(int node) { nodes_.push_back(node); }
  void Heapify() {
    for (size_t i = nodes_.size() / 2; i-- > 0;) SiftDown(i);
  }
  size_t Size() const { return nodes_.size(); }
  int Pop() {
    const int top = nodes_.front();
    nodes_.front() = nodes_.back();
    nodes_.pop_back();
    if (!nodes_.empty()) SiftDown(0);
    return top;
  }
  void Push(int node) {
    nodes_.push_back(node);
    for (size_t i = nodes_.size() - 1; i > 0 && Less(i, (i - 1) / 2); i = (i - 1) / 2)
      std::swap(nodes_[i], nodes_[(i - 1) / 2]);
  }

 private:
  bool Less(size_t a, size_t b) const { return weight_[nodes_[a]] < weight_[nodes_[b]]; }
  void SiftDown(size_t i) {
    for (;;) {
      size_t least = i;
      for (size_t c : {2 * i + 1, 2 * i + 2})
        if (c < nodes_.size() && Less(c, least)) least = c;
      if (least == i) return;
      std::swap(nodes_[i], nodes_[least]);
      i = least;
    }
  }

  const uint32_t* weight_;
  std::vector<int> nodes_;
};

}  // namespace

Compressor::Compressor() : hash_(4096, -1), work_(kMaxBlock) {}

int32_t Compressor::Compress(const uint8_t* src, size_t length, uint8_t* dst,
                             size_t& outLength) {
  outLength = 0;
  if (length > kMaxBlock) return 1;
  uint8_t flags = 0;
  const uint8_t* work = src;
  size_t workLength = length;
  if (EncodeStage1(src, length, work_.data(), workLength)) {
    flags |= kStage1;
    work = work_.data();
  } else {
    workLength = length;
  }
  size_t payload = 0;
  if (EncodeStage2(work, workLength, dst + 1, payload)) {
    flags |= kStage2;
  } else {
    if (workLength) std::memmove(dst + 1, work, workLength);
    payload = workLength;
  }
  dst[0] = flags;
  outLength = payload + 1;
  return 0;
}

int32_t Compressor::Expand(const uint8_t* src, size_t length, uint8_t* dst, size_t capacity,
                           size_t& outLength) {
  outLength = 0;
  if (length == 0 || src[0] > (kStage1 | kStage2)) return 1;
  capacity = std::min(capacity, kMaxBlock);
  const uint8_t* payload = src + 1;
  const size_t size = length - 1;
  bool ok;
  size_t produced = 0;
  switch (src[0]) {
    case 0:
      ok = size <= capacity;
      if (ok && size) std::memcpy(dst, payload, size);
      produced = size;
      break;
    case kStage1:
      ok = DecodeStage1(payload, size, dst, capacity, produced);
      break;
    case kStage2:
      ok = DecodeStage2(payload, size, dst, capacity, produced);
      break;
    default: {
      size_t middle = 0;
      ok = DecodeStage2(payload, size, work_.data(), work_.size(), middle) &&
           DecodeStage1(work_.data(), middle, dst, capacity, produced);
    }
  }
  if (!ok) return 1;
  outLength = produced;
  return 0;
}

bool Compressor::EncodeStage1(const uint8_t* src, size_t length, uint8_t* dst,
                              size_t& outLength) {
  if (length <= 48 || length > kMaxBlock) return false;
  std::fill(hash_.begin(), hash_.end(), -1);
  size_t out = 2, controlAt = 0, p = 0;
  uint32_t control = 0;
  int items = 0;
  auto storeControl = [&] {
    dst[controlAt] = static_cast<uint8_t>(control);
    dst[controlAt + 1] = static_cast<uint8_t>(control >> 8);
  };
  while (p < length) {
    if (items == 16) {
      storeControl();
      if (out + 2 > length - 48) return false;
      controlAt = out;
      out += 2;
      control = 0;
      items = 0;
    }
    const uint8_t c = src[p];
    size_t run = 1;
    while (p + run < length && src[p + run] == c && run < kMaxRun) ++run;
    if (run >= 3) {
      if (run <= 18) {
        dst[out++] = static_cast<uint8_t>(run - 3);
      } else {
        const size_t r = run - 19;
        dst[out++] = static_cast<uint8_t>(0x10 | (r & 15));
        dst[out++] = static_cast<uint8_t>(r >> 4);
      }
      dst[out++] = c;
      control = (control << 1) | 1;
      p += run;
    } else {
      size_t match = 0, distance = 0;
      if (length - p >= 3) {
        const size_t h = ((c >> 4) | (src[p + 2] << 4)) ^ (((c << 8) & 0xFFF) | src[p + 1]);
        const int32_t e = hash_[h];
        hash_[h] = static_cast<int32_t>(p);
        if (e >= 0 && p - static_cast<size_t>(e) <= kMaxDistance) {
          const size_t from = static_cast<size_t>(e);
          while (match < kMaxMatch && from + match < p && p + match < length &&
                 src[from + match] == src[p + match])
            ++match;
          distance = p - from;
        }
      }
      if (match >= 3) {
        const size_t d = distance - 3;
        if (match <= 15) {
          dst[out++] = static_cast<uint8_t>((match << 4) | (d & 15));
          dst[out++] = static_cast<uint8_t>(d >> 4);
        } else {
          dst[out++] = static_cast<uint8_t>(0x20 | (d & 15));
          dst[out++] = static_cast<uint8_t>(d >> 4);
          dst[out++] = static_cast<uint8_t>(match - 16);
        }
        control = (control << 1) | 1;
        p += match;
      } else {
        dst[out++] = c;
        control <<= 1;
        ++p;
      }
    }
    ++items;
  }
  control <<= 16 - items;
  storeControl();
  outLength = out;
  return true;
}

bool Compressor::DecodeStage1(const uint8_t* src, size_t length, uint8_t* dst, size_t capacity,
                              size_t& outLength) {
  outLength = 0;
  size_t in = 0, out = 0;
  while (in < length) {
    if (length - in < 2) return false;
    uint32_t control = src[in] | (src[in + 1] << 8);
    in += 2;
    for (int k = 0; k < 16 && in < length; ++k, control <<= 1) {
      if (!(control & 0x8000)) {
        if (out >= capacity) return false;
        dst[out++] = src[in++];
        continue;
      }
      const uint8_t first = src[in];
      const int kind = first >> 4;
      const size_t size = kind == 1 || kind == 2 ? 3 : 2;
      if (length - in < size) return false;
      const size_t low12 = (first & 15) | (size_t{src[in + 1]} << 4);
      if (kind <= 1) {  // a run
        const size_t count = kind == 0 ? (first & 15) + 3 : low12 + 19;
        const uint8_t byte = src[in + size - 1];
        if (count > capacity - out) return false;
        std::memset(dst + out, byte, count);
        out += count;
      } else {  // a match, copied byte by byte
        const size_t distance = low12 + 3;
        const size_t count = kind == 2 ? src[in + 2] + size_t{16} : size_t(kind);
        if (distance > out || count > capacity - out) return false;
        for (size_t i = 0; i < count; ++i, ++out) dst[out] = dst[out - distance];
      }
      in += size;
    }
  }
  outLength = out;
  return true;
}

bool Compressor::BuildCodes(const std::array<uint32_t, 256>& counts) {
  // Leaves 0-255, inner nodes from 256; side 1 marks the second child of a merge.
  std::array<uint32_t, 512> weight{};
  std::array<int, 512> parent{};
  std::array<uint8_t, 512> side{};
  NodeHeap heap(weight.data());
  int present = 0;
  for (int v = 0; v < 256; ++v) {
    weight[v] = counts[v];
    if (counts[v]) heap.Add(v), ++present;
  }
  codeLength_.fill(0);
  code_.fill(0);
  if (present == 1) {  // one symbol still needs one bit to be read
    for (int v = 0; v < 256; ++v)
      if (counts[v]) codeLength_[v] = 1;
    return true;
  }
  heap.Heapify();
  int next = 256;
  while (heap.Size() > 1) {
    const int a = heap.Pop(), b = heap.Pop();
    weight[next] = weight[a] + weight[b];
    parent[a] = next, side[a] = 0;
    parent[b] = next, side[b] = 1;
    heap.Push(next++);
  }
  const int root = next - 1;
  for (int v = 0; v < 256; ++v) {
    if (!counts[v]) continue;
    int length = 0;
    uint32_t code = 0;
    for (int x = v; x != root; x = parent[x]) {
      if (length == kMaxCodeLength) return false;
      code |= uint32_t{side[x]} << length++;
    }
    code_[v] = static_cast<uint16_t>(code);
    codeLength_[v] = static_cast<uint8_t>(length);
  }
  return true;
}

bool Compressor::EncodeStage2(const uint8_t* src, size_t length, uint8_t* dst,
                              size_t& outLength) {
  if (length == 0 || length > kMaxBlock) return false;
  std::array<uint32_t, 256> counts{};
  for (size_t i = 0; i < length; ++i) ++counts[src[i]];
  if (!BuildCodes(counts)) return false;
  BitWriter bits(dst, length - 1);  // the output must be shorter than the input
  bool ok = bits.Put(static_cast<uint32_t>(length), 16);
  for (int v = 0; v < 256 && ok; ++v)
    ok = bits.Put(codeLength_[v], 4) && bits.Put(code_[v], codeLength_[v]);
  for (size_t i = 0; i < length && ok; ++i) ok = bits.Put(code_[src[i]], codeLength_[src[i]]);
  if (!ok || !bits.Put(0, 7)) return false;
  outLength = bits.Size();
  return true;
}

bool Compressor::DecodeStage2(const uint8_t* src, size_t length, uint8_t* dst, size_t capacity,
                              size_t& outLength) {
  outLength = 0;
  BitReader bits(src, length);
  uint32_t count;
  if (!bits.Get(16, count) || count > std::min(capacity, kMaxBlock)) return false;

  // The code trie: node 0 is the root; a leaf holds value + 1 and has no children.
  constexpr int kMaxNodes = 1 + 256 * kMaxCodeLength;
  std::vector<std::array<int16_t, 2>> child(kMaxNodes, {0, 0});
  std::vector<int16_t> leaf(kMaxNodes, 0);
  int nodes = 1;
  for (int v = 0; v < 256; ++v) {
    uint32_t len, code;
    if (!bits.Get(4, len) || !bits.Get(static_cast<int>(len), code)) return false;
    if (len == 0) continue;
    int node = 0;
    for (int i = static_cast<int>(len) - 1; i >= 0; --i) {
      if (leaf[node]) return false;  // a code passes through a shorter one
      int16_t& next = child[node][(code >> i) & 1];
      if (!next) next = static_cast<int16_t>(nodes++);
      node = next;
    }
    if (leaf[node] || child[node][0] || child[node][1]) return false;  // not prefix-free
    leaf[node] = static_cast<int16_t>(v + 1);
  }
  for (uint32_t i = 0; i < count; ++i) {
    int node = 0;
    while (!leaf[node]) {
      uint32_t bit;
      if (!bits.Get(1, bit) || !child[node][bit]) return false;
      node = child[node][bit];
    }
    dst[i] = static_cast<uint8_t>(leaf[node] - 1);
  }
  outLength = count;
  return true;
}

}  // namespace zh
