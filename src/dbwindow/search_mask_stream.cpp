// The search mask's stream form. Integers are big-endian; texts are Windows-1252 in the
// stream and UTF-8 in memory. Every count and length the reader meets is checked
// against what the stream holds: a short or inconsistent stream leaves the mask reset.
#include <algorithm>
#include <cstring>

#include "core/toolbox/code_pages.h"
#include "core/toolbox/mem_stream.h"
#include "dbwindow/mask_block.h"
#include "dbwindow/search_mask.h"

namespace zh {

namespace {

constexpr int kPlayersGiven = 4;
constexpr int kMissingPlayer = 32767;
constexpr char kMissingPlayerText[] = "TQ7Player";
constexpr int kCriterionBytes = AnnotationMask::kCriteria;
constexpr int kStoredCriteria = 14;
constexpr int kAnnotationTexts = 2;
constexpr int kSymbolBytes = 4;
constexpr size_t kCompactBufferSize = 1 << 16;

void WriteText(TQStream& out, const std::string& utf8, bool compact) {
  const std::string bytes = Utf8ToWindows1252(utf8);
  if (compact)
    out.WriteString(bytes);
  else
    out.WritePadded(bytes.data(), bytes.size(), SearchMask::kFixedTextLength);
}

bool ReadFixedText(TQStream& in, std::string& text) {
  char bytes[SearchMask::kFixedTextLength];
  in.ReadBytes(bytes, sizeof bytes);
  if (!in.IsOk()) return false;
  text = Windows1252ToUtf8(std::string_view(bytes, strnlen(bytes, sizeof bytes)));
  return true;
}

// A counted text of up to 499 characters; a longer one is passed over and the text
// keeps its value.
bool ReadCountedText(TQStream& in, std::string& text) {
  const int length = mask_block::ReadInt16(in);
  if (!in.IsOk() || length < 0) return false;
  if (length > TQStream::kMaxStringLength) return mask_block::Skip(in, length);
  std::string bytes(static_cast<size_t>(length), '\0');
  in.ReadBytes(bytes.data(), bytes.size());
  if (!in.IsOk()) return false;
  text = Windows1252ToUtf8(bytes);
  return true;
}

bool ReadText(TQStream& in, std::string& text, bool compact) {
  return compact ? ReadCountedText(in, text) : ReadFixedText(in, text);
}

// `count` pairs of a fixed text and an int16, passed over.
bool SkipPairs(TQStream& in, int count) {
  std::string scratch;
  for (int i = 0; i < count; ++i) {
    if (!ReadFixedText(in, scratch)) return false;
    mask_block::ReadInt16(in);
  }
  return in.IsOk();
}

// A counted pattern: its text, an int16 0, then count - 1 further pairs.
bool ReadPattern(TQStream& in, int count, std::string& text, bool compact) {
  if (count < 0) return false;
  if (count == 0) return true;
  if (!ReadText(in, text, compact)) return false;
  mask_block::ReadInt16(in);
  return in.IsOk() && SkipPairs(in, count - 1);
}

void WriteRange(TQStream& out, bool on, int from, int to, bool compact) {
  out.WriteByte(on);
  if (on || !compact) out.WriteInt16BE(from).WriteInt16BE(to);
}

}  // namespace

void SearchMask::Write(TQStream& out, int version, bool compact) const {
  const HeaderSearchMask& h = header;
  out.WriteInt16BE(h.resultMask).WriteInt16BE(annotations.medalMask);
  WriteRange(out, h.yearOn, h.yearFrom, h.yearTo, compact);
  out.WriteByte(h.eloOn);
  if (h.eloOn || !compact) out.WriteInt16BE(h.eloMode).WriteInt16BE(h.eloMin).WriteInt16BE(h.eloMax);
  WriteRange(out, h.ecoOn, h.ecoFrom, h.ecoTo, compact);
  WriteRange(out, h.moveCountOn, h.moveCountFrom, h.moveCountTo, compact);
  if (!compact) out.WriteInt32BE(-1);

  const bool players = HasPlayers();
  out.WriteInt16BE(players ? kPlayersGiven : 0);
  out.WriteInt16BE(h.tournamentText.empty() ? 0 : 1);
  out.WriteInt16BE(h.annotatorText.empty() ? 0 : 1);
  if (players) {
    for (int p = 0; p < 2; ++p) {
      const bool given = !PlayerLast(p).empty();
      const int flag = given ? (h.ignoreColours ? 1 : 0) : kMissingPlayer;
      const std::string missing = compact ? "" : kMissingPlayerText;
      WriteText(out, given ? PlayerLast(p) : missing, compact);
      out.WriteInt16BE(flag);
      WriteText(out, given ? PlayerFirst(p) : missing, compact);
      out.WriteInt16BE(flag);
    }
  }
  for (const std::string* text : {&h.tournamentText, &h.annotatorText}) {
    if (text->empty()) continue;
    WriteText(out, *text, compact);
    out.WriteInt16BE(0);
  }

  out.WriteByte(motifOn).WriteByte(materialOn).WriteByte(maneuverOn);
  if (motifOn) motif.Write(out, version);
  if (materialOn) material.Write(out, version);
  if (maneuverOn) maneuver.Write(out, version);

  if (version > 2) {
    out.WriteByte(h.textsOnly).WriteByte(finalMate).WriteByte(finalStalemate).WriteByte(finalCheck);
    out.WriteByte(annotationsOn);
    if (annotationsOn) {
      out.WriteInt16BE(kCriterionBytes);
      for (uint8_t c : annotations.criteria) out.WriteByte(c);
      out.WriteInt16BE(0);
      out.WriteInt16BE(kAnnotationTexts);
      WriteText(out, annotations.text1, true);
      WriteText(out, annotations.text2, true);
      const MoveSymbols& s = annotations.symbols;
      out.WriteInt16BE(kSymbolBytes).WriteByte(s.move).WriteByte(s.position).WriteByte(s.prefix).WriteByte(s.spare);
    }
  }
  out.WriteInt16BE(0);
}

int SearchMask::Write(std::string& out) const {
  TQMemStream stream(kCompactBufferSize);
  Write(stream, kStreamVersion, true);
  if (!stream.IsOk()) return 4;
  out.assign(reinterpret_cast<const char*>(stream.Data()), stream.Position());
  return 0;
}

int SearchMask::Read(TQStream& in, int version, bool compact) {
  SearchMask read;
  read.extraSelection = extraSelection;
  if (read.ReadFields(in, version, compact) != 0) {
    Reset();
    return kDamaged;
  }
  *this = read;
  return 0;
}

// Reads into a reset mask; any failure answers kDamaged and the caller drops the mask.
int SearchMask::ReadFields(TQStream& in, int version, bool compact) {
  using mask_block::ReadByte;
  using mask_block::ReadInt16;
  HeaderSearchMask& h = header;
  h.resultMask = ReadInt16(in);
  const auto medals = static_cast<uint16_t>(ReadInt16(in));
  if (version > 2) annotations.medalMask = medals;
  h.yearOn = ReadByte(in) != 0;
  if (h.yearOn || !compact) {
    h.yearFrom = static_cast<uint16_t>(ReadInt16(in));
    h.yearTo = static_cast<uint16_t>(ReadInt16(in));
  }
  h.eloOn = ReadByte(in) != 0;
  if (h.eloOn || !compact) {
    h.eloMode = ReadInt16(in);
    h.eloMin = ReadInt16(in);
    h.eloMax = ReadInt16(in);
  }
  h.ecoOn = ReadByte(in) != 0;
  if (h.ecoOn || !compact) {
    h.ecoFrom = static_cast<uint16_t>(ReadInt16(in));
    h.ecoTo = static_cast<uint16_t>(ReadInt16(in));
  }
  h.moveCountOn = ReadByte(in) != 0;
  if (h.moveCountOn || !compact) {
    h.moveCountFrom = ReadInt16(in);
    h.moveCountTo = ReadInt16(in);
  }
  if (!compact) {
    int32_t unused = 0;
    in.ReadInt32BE(unused);
  }
  const int playersWord = ReadInt16(in);
  const int tournaments = ReadInt16(in);
  const int annotators = ReadInt16(in);
  if (!in.IsOk() || playersWord < 0 || tournaments < 0 || annotators < 0) return kDamaged;

  if (playersWord == kPlayersGiven) {
    std::string last[2], first[2];
    int flags[2][2] = {};
    for (int p = 0; p < 2; ++p) {
      if (!ReadText(in, last[p], compact)) return kDamaged;
      flags[p][0] = ReadInt16(in);
      if (!ReadText(in, first[p], compact)) return kDamaged;
      flags[p][1] = ReadInt16(in);
    }
    if (!in.IsOk()) return kDamaged;
    // A player needs a last name; the flag of the first player given tells whether
    // colours may be exchanged.
    const bool taken[2] = {flags[0][1] != kMissingPlayer && !last[0].empty(),
                           flags[1][1] != kMissingPlayer && !last[1].empty()};
    const int flag = taken[0] ? flags[0][0] : taken[1] ? flags[1][0] : 0;
    SetPlayers(taken[0] ? last[0] : "", first[0], taken[1] ? last[1] : "", first[1], flag == 1);
  } else if (playersWord > 0) {
    std::string last;
    if (!ReadFixedText(in, last)) return kDamaged;
    ReadInt16(in);
    if (!SkipPairs(in, playersWord - 1)) return kDamaged;
    SetPlayers(last, "", "", "", false);
  }
  if (!ReadPattern(in, tournaments, h.tournamentText, compact)) return kDamaged;
  if (!ReadPattern(in, annotators, h.annotatorText, compact)) return kDamaged;

  motifOn = ReadByte(in) != 0;
  materialOn = ReadByte(in) != 0;
  maneuverOn = ReadByte(in) != 0;
  if (!in.IsOk()) return kDamaged;
  if (motifOn && motif.Read(in, version) != 0) return kDamaged;
  if (materialOn && material.Read(in, version) != 0) return kDamaged;
  if (maneuverOn && maneuver.Read(in, version) != 0) return kDamaged;

  if (version > 2) {
    const bool textsOnly = ReadByte(in) != 0;
    if (version > 5) h.textsOnly = textsOnly;
    finalMate = ReadByte(in) != 0;
    finalStalemate = ReadByte(in) != 0;
    finalCheck = ReadByte(in) != 0;
    annotationsOn = ReadByte(in) != 0;
    if (!in.IsOk()) return kDamaged;
    if (annotationsOn) {
      AnnotationMask& a = annotations;
      const int count = ReadInt16(in);
      if (!in.IsOk() || count < 0) return kDamaged;
      const int taken = std::min(count, count > kStoredCriteria ? kCriterionBytes : kStoredCriteria);
      for (int i = 0; i < taken; ++i) a.criteria[i] = ReadByte(in);
      if (!mask_block::Skip(in, count - taken)) return kDamaged;
      const int longs = ReadInt16(in);
      if (!in.IsOk() || longs < 0 || !mask_block::Skip(in, 4 * longs)) return kDamaged;
      const int texts = ReadInt16(in);
      if (!in.IsOk() || texts < 0) return kDamaged;
      for (int i = 0; i < texts; ++i) {
        std::string scratch;
        if (!ReadCountedText(in, i == 0 ? a.text1 : i == 1 ? a.text2 : scratch)) return kDamaged;
      }
      const int length = ReadInt16(in);
      if (!in.IsOk() || length < 0) return kDamaged;
      uint8_t bytes[kSymbolBytes] = {};
      const int kept = std::min(length, kSymbolBytes);
      in.ReadBytes(bytes, static_cast<size_t>(kept));
      // Of the final block at most 1000 bytes are meant; the rest is passed over too,
      // so that what follows is read from its own place.
      if (!in.IsOk() || !mask_block::Skip(in, length - kept)) return kDamaged;
      a.symbols = MoveSymbols::Unpack(static_cast<uint32_t>(bytes[0]) | bytes[1] << 8 | bytes[2] << 16 |
                                      static_cast<uint32_t>(bytes[3]) << 24);
    }
  }
  if (version > 15 && !mask_block::SkipCounted(in)) return kDamaged;
  annotations.Recompute();
  severalPositionCriteria = (motifOn + materialOn + maneuverOn) >= 2;
  return in.IsOk() ? 0 : kDamaged;
}

}  // namespace zh
