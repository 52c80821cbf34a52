// Numbers in texts and files, independent of the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zh {

// What `atol` does: leading blanks, an optional sign, decimal digits up to the first
// other character; 0 when no digit follows. Saturates at the int64 limits.
int64_t ParseDecimal(std::string_view text);

// What `atof` does, always with '.' as the decimal point: leading blanks, then the
// longest prefix that forms a number (decimal or hexadecimal, "inf", "nan"); 0 when
// there is none.
double ParseDouble(std::string_view text);

// The C form "%3.5f": five decimals, at least three characters, '.' as decimal point.
std::string FormatDouble(double value);

}  // namespace zh
