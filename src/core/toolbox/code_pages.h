// Code pages of texts. Stored game texts use the old 8-bit DOS code page with the
// program's figurines; the display set is the program's one 8-bit character set
// (Windows-1252 with chess figurines and annotation signs), which converts one to one
// to Unicode for UTF-8 in memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zh {

// Indexed by byte - 0x80.
extern const std::array<uint8_t, 128> kDosToWindowsTable;
extern const std::array<uint8_t, 128> kWindowsToDosTable;
extern const std::array<uint8_t, 128> kAccentFoldTable;
// Indexed by byte.
extern const std::array<uint8_t, 256> kFullCodePageTable;
extern const std::array<char32_t, 256> kDisplayToUnicode;

// In place; each returns its argument.
// Stored text to display text: bytes from 0x80 through kDosToWindowsTable, 0x04 to 0x9E.
std::string& ConvertStoredText(std::string& s);
// Display text to stored text: bytes from 0x80 through kWindowsToDosTable.
std::string& ConvertToStoredText(std::string& s);
// Every byte through kFullCodePageTable.
std::string& MapFullCodePage(std::string& s);
// MapFullCodePage, then ConvertStoredText.
std::string& ConvertStoredTextFull(std::string& s);
// Display bytes from 0x80 to plain ASCII (figurines to KQNBRP).
std::string& FoldAccents(std::string& s);

// Display text to UTF-8.
std::string DisplayToUtf8(std::string_view display);
// Plain Windows-1252 text (no figurines) to UTF-8.
std::string Windows1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252 (the inverse of Windows1252ToUtf8). A character without a byte
// (or a malformed sequence) becomes '?', and `lossy` (when given) is set.
std::string Utf8ToWindows1252(std::string_view utf8, bool* lossy = nullptr);
// UTF-8 to display text. A character without a display byte (or a malformed
// sequence) becomes '?', and `lossy` (when given) is set.
std::string Utf8ToDisplay(std::string_view utf8, bool* lossy = nullptr);
// The display byte of a code point; false when it has none.
bool UnicodeToDisplayByte(char32_t code, uint8_t& byte);

}  // namespace zh
