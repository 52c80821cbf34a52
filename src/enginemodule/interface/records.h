// Records that cross between the program, the engine host and an engine module.
// They are the wire format of the engine interface: every size and offset is pinned
// below. Records that hold pointers have one fixed 64-bit layout.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zh::eng {

// At the start of the position block and of every report block.
struct BlockHeader {
  int32_t size;
  int32_t zero;
  int32_t engine_id;
  int32_t host_value;  // the host's report-sink token, copied along unchanged
  int32_t gui_thread;
};

// A game move of the position block: squares file-major (a1 = 0, a2 = 1, b1 = 8).
struct GameMove {
  uint8_t from;
  uint8_t to;
  uint8_t kind;       // 1, 2, 4, 8 castling, 0x10 e.p., 0x20 double step, 0x40 promotion, 0x80 capture
  uint8_t promotion;  // 2 Q, 3 N, 4 B, 5 R
};

// Game-move kind bits.
enum : uint8_t {
  kGameMoveCastlingMask = 0x0F,
  kGameMoveEnPassant = 0x10,
  kGameMoveDoubleStep = 0x20,
  kGameMovePromotion = 0x40,
  kGameMoveCapture = 0x80,
};

// A move in a report block: squares file-major, promotion 0 none, 2 Q, 3 N, 4 B, 5 R.
struct ReportMove {
  uint8_t from;
  uint8_t to;
  uint8_t zero;
  uint8_t promotion;
};

constexpr int kMaxGameMoves = 512;

// Program to module: the argument of Eng9.
struct PositionBlock {
  BlockHeader header;
  int32_t unused20;
  uint8_t board[64];  // file-major, codes 1 K 2 Q 3 N 4 B 5 R 6 P, +8 black
  uint8_t start_position;
  uint8_t side_to_move;      // 0 white, 1 black
  uint8_t en_passant_file;   // 1..8, 0 none
  uint8_t castling;          // 1 white long, 2 white short, 4 black long, 8 black short
  GameMove moves[kMaxGameMoves];
  int16_t move_count;
  int16_t lines_wanted;
  int16_t one;
  int16_t mode;  // 1 clock, 2 depth, 3 mate, 4 analysis, 5 and 6 mate kinds
  int32_t clock_seconds;
  int32_t increment_seconds;
  int32_t reference_seconds;
  int16_t moves_to_go;
  int16_t reference_moves;
  int16_t depth;
  int16_t ponder;  // 2 = start as pondering
  uint8_t reserved[24];
};

// Report 340 (and 341, which passes the same block).
struct MainLineBlock {
  BlockHeader header;
  uint32_t flags;
  uint8_t board[64];
  int16_t zero88;
  int16_t line_length;
  ReportMove line[32];
  int32_t seconds;
  uint8_t reserved224[2];
  int16_t line_count;
  int16_t line_move_counts[64];
  ReportMove lines[64][32];
  int16_t line_score_values[64];
  int16_t line_score_types[64];
  int32_t line_seconds[64];
  uint8_t reserved9060[2];
  int16_t root_move_count;
  ReportMove root_moves[128];
  int16_t root_score_values[128];
  int16_t root_score_types[128];
  int16_t score_value;
  int16_t score_type;
  int16_t depth;
  int16_t selective_depth;
  int16_t extra200;
  int16_t extra400;
  int32_t extra100;
  uint32_t nodes_low;
  uint32_t nodes_high;
  int32_t extra400000;
  int32_t extra800000;
};

// Report 342.
struct CurrentMoveBlock {
  BlockHeader header;
  int16_t index;  // 1-based
  int16_t count;
  ReportMove move;
};

// Report 343.
struct NodesBlock {
  BlockHeader header;
  uint32_t nodes_low;
  uint32_t nodes_high;
  int32_t zero;
};

// Report 344.
struct DepthBlock {
  BlockHeader header;
  int16_t depth;
  int16_t selective_depth;
};

// Report 345; +20 is written by Eng1.
struct HashBlock {
  BlockHeader header;
  int32_t hash_kb;
  int32_t usage_percent;
};

// One value slot of a parameter entry: an i32 for types 1 and 2, else a pointer.
union ParameterSlot {
  int32_t value;
  void* pointer;
};

struct ParameterEntry {
  int32_t size;  // 56
  int32_t changed;
  int32_t type;  // 1 check box, 2 integer, 5 list
  int32_t name_length;  // including the terminating zero
  const char* name;
  int32_t value_size;
  int32_t zero;
  ParameterSlot default_value;
  ParameterSlot current_value;
  int32_t minimum;
  int32_t maximum;
};

// Eng13 result, Eng14 argument.
struct ParameterList {
  BlockHeader header;  // size 32
  uint32_t count;
  ParameterEntry* entries;
};

// A logo: a pointer-free image record, the ARGB rows follow the header.
struct ImageHeader {
  int32_t size;  // header and pixels in bytes
  int32_t width;
  int32_t height;
  int32_t reserved;
};

inline const uint32_t* ImagePixels(const ImageHeader* image) {
  return reinterpret_cast<const uint32_t*>(image + 1);
}

// One engine instance as the program hands it to the host. The use count at +32 is
// written by both sides and changed only atomically.
struct EngineSlotRecord {
  int32_t size;  // 540
  int32_t zero4;
  int32_t engine_id;
  int32_t sink_token;  // the report sink of the program
  int32_t gui_thread;
  int32_t hash_kb;
  int32_t reserved24;
  int32_t kind;
  int32_t use_count;
  int32_t zero36;
  char path[500];
};

// Host reports.

// 304: the host thread is known.
struct HostThreadBlock {
  BlockHeader header;
  int32_t reserved[4];
  int32_t host_thread;
};

// 316 and 350.
struct StatusBlock {
  BlockHeader header;
  int32_t reserved[3];
  PositionBlock* position_buffer;
  void* text_buffer;
  int32_t options;
  int32_t rating;
  int32_t hash_kb;
  int32_t kind;
  int32_t endgame_table;
  int32_t reserved68;
};

// 317: count n at +56, then n - 1 logo addresses (kind 1 first).
struct LogoBlock {
  BlockHeader header;
  int32_t reserved[9];
  int32_t count;
  int32_t reserved60;
  const ImageHeader* logos[2];
};

// 311, 312 (the host's texts) and the text buffer of request 274.
struct TextBlock {
  BlockHeader header;
  int32_t kind;
  char text[500];
};

// 348: the start result.
struct StartResultBlock {
  BlockHeader header;
  int32_t reserved;
  int32_t code;  // 0 started
};

// 347: a search has ended.
struct SearchDoneBlock {
  BlockHeader header;
  int32_t result;
};

// Request codes (program to host) and report codes (host or module to program).
enum RequestCode : int32_t {
  kRequestExit = 257,
  kRequestStop = 258,
  kRequestSearch = 259,
  kRequestNextBest = 262,
  kRequestName = 263,
  kRequestAuthor = 264,
  kRequestPonderHit = 265,
  kRequestInfo = 268,
  kRequestNewGame = 270,
  kRequestText = 274,
  kRequestParameters = 291,
  kRequestHashSize = 302,
};

enum ReportCode : int32_t {
  kReportHostThread = 304,
  kReportHostGone = 305,
  kReportName = 311,
  kReportAuthor = 312,
  kReportStatus = 316,
  kReportLogos = 317,
  kReportCopyMainLine = 329,
  kReportCopySearchStarted = 330,
  kReportCopyCurrentMove = 331,
  kReportCopyDepth = 332,
  kReportCopyNodes = 333,
  kReportCopyHash = 334,
  kReportText = 336,
  kReportParameters = 339,
  kReportMainLine = 340,
  kReportSearchStarted = 341,
  kReportCurrentMove = 342,
  kReportNodes = 343,
  kReportDepth = 344,
  kReportHash = 345,
  kReportSearchDone = 347,
  kReportStartResult = 348,
  kReportHashChanged = 350,
};

// Start results of report 348 (and of Eng1 for the first three).
enum StartCode : int32_t {
  kStartOk = 0,
  kStartInUse = 1,
  kStartNoMemory = 2,
  kStartNotAnEngine = 8,
  kStartCannotLoad = 9,
};

#define ZH_PIN(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "." #field)

static_assert(sizeof(BlockHeader) == 20);
static_assert(sizeof(GameMove) == 4 && sizeof(ReportMove) == 4);

static_assert(sizeof(PositionBlock) == 2192);
ZH_PIN(PositionBlock, board, 24);
ZH_PIN(PositionBlock, start_position, 88);
ZH_PIN(PositionBlock, side_to_move, 89);
ZH_PIN(PositionBlock, en_passant_file, 90);
ZH_PIN(PositionBlock, castling, 91);
ZH_PIN(PositionBlock, moves, 92);
ZH_PIN(PositionBlock, move_count, 2140);
ZH_PIN(PositionBlock, lines_wanted, 2142);
ZH_PIN(PositionBlock, one, 2144);
ZH_PIN(PositionBlock, mode, 2146);
ZH_PIN(PositionBlock, clock_seconds, 2148);
ZH_PIN(PositionBlock, increment_seconds, 2152);
ZH_PIN(PositionBlock, reference_seconds, 2156);
ZH_PIN(PositionBlock, moves_to_go, 2160);
ZH_PIN(PositionBlock, reference_moves, 2162);
ZH_PIN(PositionBlock, depth, 2164);
ZH_PIN(PositionBlock, ponder, 2166);
ZH_PIN(PositionBlock, reserved, 2168);

static_assert(sizeof(MainLineBlock) == 10120);
ZH_PIN(MainLineBlock, flags, 20);
ZH_PIN(MainLineBlock, board, 24);
ZH_PIN(MainLineBlock, zero88, 88);
ZH_PIN(MainLineBlock, line_length, 90);
ZH_PIN(MainLineBlock, line, 92);
ZH_PIN(MainLineBlock, seconds, 220);
ZH_PIN(MainLineBlock, line_count, 226);
ZH_PIN(MainLineBlock, line_move_counts, 228);
ZH_PIN(MainLineBlock, lines, 356);
ZH_PIN(MainLineBlock, line_score_values, 8548);
ZH_PIN(MainLineBlock, line_score_types, 8676);
ZH_PIN(MainLineBlock, line_seconds, 8804);
ZH_PIN(MainLineBlock, root_move_count, 9062);
ZH_PIN(MainLineBlock, root_moves, 9064);
ZH_PIN(MainLineBlock, root_score_values, 9576);
ZH_PIN(MainLineBlock, root_score_types, 9832);
ZH_PIN(MainLineBlock, score_value, 10088);
ZH_PIN(MainLineBlock, score_type, 10090);
ZH_PIN(MainLineBlock, depth, 10092);
ZH_PIN(MainLineBlock, selective_depth, 10094);
ZH_PIN(MainLineBlock, extra200, 10096);
ZH_PIN(MainLineBlock, extra400, 10098);
ZH_PIN(MainLineBlock, extra100, 10100);
ZH_PIN(MainLineBlock, nodes_low, 10104);
ZH_PIN(MainLineBlock, nodes_high, 10108);
ZH_PIN(MainLineBlock, extra400000, 10112);
ZH_PIN(MainLineBlock, extra800000, 10116);

static_assert(sizeof(CurrentMoveBlock) == 28);
ZH_PIN(CurrentMoveBlock, index, 20);
ZH_PIN(CurrentMoveBlock, count, 22);
ZH_PIN(CurrentMoveBlock, move, 24);
static_assert(sizeof(NodesBlock) == 32);
ZH_PIN(NodesBlock, nodes_low, 20);
ZH_PIN(NodesBlock, nodes_high, 24);
ZH_PIN(NodesBlock, zero, 28);
static_assert(sizeof(DepthBlock) == 24);
ZH_PIN(DepthBlock, depth, 20);
ZH_PIN(DepthBlock, selective_depth, 22);
static_assert(sizeof(HashBlock) == 28);
ZH_PIN(HashBlock, hash_kb, 20);
ZH_PIN(HashBlock, usage_percent, 24);

static_assert(sizeof(ParameterSlot) == 8);
static_assert(sizeof(ParameterEntry) == 56);
ZH_PIN(ParameterEntry, changed, 4);
ZH_PIN(ParameterEntry, type, 8);
ZH_PIN(ParameterEntry, name_length, 12);
ZH_PIN(ParameterEntry, name, 16);
ZH_PIN(ParameterEntry, value_size, 24);
ZH_PIN(ParameterEntry, zero, 28);
ZH_PIN(ParameterEntry, default_value, 32);
ZH_PIN(ParameterEntry, current_value, 40);
ZH_PIN(ParameterEntry, minimum, 48);
ZH_PIN(ParameterEntry, maximum, 52);
static_assert(sizeof(ParameterList) == 32);
ZH_PIN(ParameterList, count, 20);
ZH_PIN(ParameterList, entries, 24);

static_assert(sizeof(ImageHeader) == 16);

static_assert(sizeof(EngineSlotRecord) == 540);
ZH_PIN(EngineSlotRecord, engine_id, 8);
ZH_PIN(EngineSlotRecord, sink_token, 12);
ZH_PIN(EngineSlotRecord, gui_thread, 16);
ZH_PIN(EngineSlotRecord, hash_kb, 20);
ZH_PIN(EngineSlotRecord, kind, 28);
ZH_PIN(EngineSlotRecord, use_count, 32);
ZH_PIN(EngineSlotRecord, path, 40);

static_assert(sizeof(HostThreadBlock) == 40);
ZH_PIN(HostThreadBlock, host_thread, 36);
static_assert(sizeof(StatusBlock) == 72);
ZH_PIN(StatusBlock, position_buffer, 32);
ZH_PIN(StatusBlock, text_buffer, 40);
ZH_PIN(StatusBlock, options, 48);
ZH_PIN(StatusBlock, rating, 52);
ZH_PIN(StatusBlock, hash_kb, 56);
ZH_PIN(StatusBlock, kind, 60);
ZH_PIN(StatusBlock, endgame_table, 64);
static_assert(sizeof(LogoBlock) == 80);
ZH_PIN(LogoBlock, count, 56);
ZH_PIN(LogoBlock, logos, 64);
static_assert(sizeof(TextBlock) == 524);
ZH_PIN(TextBlock, text, 24);
static_assert(sizeof(StartResultBlock) == 28);
ZH_PIN(StartResultBlock, code, 24);
static_assert(sizeof(SearchDoneBlock) == 24);

#undef ZH_PIN

}  // namespace zh::eng
