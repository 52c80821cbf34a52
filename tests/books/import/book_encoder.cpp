#include "books/import/book_encoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "books/book_fixtures.h"

namespace zh::test {

namespace {

struct Node {
  int from = 0;
  int to = 0;
  int symbol = 0;
  std::vector<size_t> children;
};

void List(const std::vector<Node>& nodes, size_t node, int (*markOf)(int), std::vector<BookRecord>& out) {
  const std::vector<size_t>& children = nodes[node].children;
  for (size_t i = 0; i < children.size(); ++i) {
    const Node& child = nodes[children[i]];
    out.push_back({child.from, child.to, i + 1 < children.size(), child.children.empty(), markOf(child.symbol)});
    List(nodes, children[i], markOf, out);
  }
}

int MarkIn(const int (&symbols)[4], int symbol) {
  for (int mark = 0; mark < 4; ++mark)
    if (symbols[mark] == symbol) return mark;
  ADD_FAILURE() << "no mark gives symbol " << symbol;
  return 0;
}

uint8_t Byte(int code, bool flag6, bool flag7) {
  return static_cast<uint8_t>(code | (flag6 ? 0x40 : 0) | (flag7 ? 0x80 : 0));
}

}  // namespace

std::vector<BookRecord> RecordsOfLines(const std::vector<std::string>& lines, int (*markOf)(int)) {
  std::vector<Node> nodes(1);
  for (const std::string& line : lines) {
    std::istringstream in(line);
    std::string clean;
    std::vector<int> symbols;
    for (std::string token; in >> token;) {
      int symbol = 0;
      if (token.size() > 2 && token.compare(token.size() - 2, 2, "!?") == 0) {
        symbol = 5;
        token.resize(token.size() - 2);
      } else if (token.back() == '?') {
        symbol = 2;
        token.pop_back();
      }
      clean += token + " ";
      symbols.push_back(symbol);
    }
    const std::vector<std::pair<int, int>> moves = SquaresOfMoves(clean);
    size_t at = 0;
    for (size_t i = 0; i < moves.size(); ++i) {
      size_t next = 0;
      for (size_t c : nodes[at].children)
        if (nodes[c].from == moves[i].first && nodes[c].to == moves[i].second) next = c;
      if (next == 0) {
        nodes.push_back({moves[i].first, moves[i].second, symbols[i], {}});
        next = nodes.size() - 1;
        nodes[at].children.push_back(next);
      }
      at = next;
    }
  }
  std::vector<BookRecord> out;
  List(nodes, 0, markOf, out);
  return out;
}

int OwnMark(int symbol) { return MarkIn({0, 5, 2, 6}, symbol); }
int GeniusMark(int symbol) { return MarkIn({0, 2, 1, 5}, symbol); }
int RebelMark(int symbol) { return MarkIn({5, 2, 0, 6}, symbol); }
int ChessMasterMark(int symbol) { return MarkIn({2, 6, 5, 0}, symbol); }

// Own books and ChessMaster: a square's code runs rank by rank (a1 0, b1 1, ... h8 63).
std::vector<uint8_t> EncodeOwn(const std::vector<BookRecord>& records) {
  std::vector<uint8_t> out;
  for (const BookRecord& r : records) {
    out.push_back(Byte((r.from % 8) * 8 + r.from / 8, !r.branch, r.end));
    out.push_back(static_cast<uint8_t>(((r.to % 8) * 8 + r.to / 8) | (r.mark << 6)));
  }
  return out;
}

// Genius: ranks counted from the eighth (a8 0, b8 1, ... h1 63); bit 6 set marks a
// branch; two header bytes AA 55.
std::vector<uint8_t> EncodeGenius(const std::vector<BookRecord>& records) {
  std::vector<uint8_t> out = {0xAA, 0x55};
  for (const BookRecord& r : records) {
    out.push_back(Byte((7 - r.from % 8) * 8 + r.from / 8, r.branch, r.end));
    out.push_back(static_cast<uint8_t>(((7 - r.to % 8) * 8 + r.to / 8) | (r.mark << 6)));
  }
  return out;
}

// Rebel: code bits 0-2 hold the file XOR 3, bits 3-5 the rank XOR 7; bit 6 set marks
// a branch; the records follow the signature F6 EC 17 AC 66 40 F3 33 00.
std::vector<uint8_t> EncodeRebel(const std::vector<BookRecord>& records, const std::string& junk) {
  std::vector<uint8_t> out(junk.begin(), junk.end());
  for (uint8_t b : {0xF6, 0xEC, 0x17, 0xAC, 0x66, 0x40, 0xF3, 0x33, 0x00}) out.push_back(b);
  auto code = [](int square) { return ((square % 8) ^ 7) * 8 + ((square / 8) ^ 3); };
  for (const BookRecord& r : records) {
    out.push_back(Byte(code(r.from), r.branch, r.end));
    out.push_back(static_cast<uint8_t>(code(r.to) | (r.mark << 6)));
  }
  return out;
}

// ChessMaster: squares as in own books, bit 6 clear marks a branch; an 8-byte header
// that begins "UGWS".
std::vector<uint8_t> EncodeChessMaster(const std::vector<BookRecord>& records) {
  std::vector<uint8_t> out = {'U', 'G', 'W', 'S', 0, 0, 0x12, 0x34};
  for (const BookRecord& r : records) {
    out.push_back(Byte((r.from % 8) * 8 + r.from / 8, !r.branch, r.end));
    out.push_back(static_cast<uint8_t>(((r.to % 8) * 8 + r.to / 8) | (r.mark << 6)));
  }
  return out;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

}  // namespace zh::test
