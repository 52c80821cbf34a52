// Upper-casing the first letter of a UTF-8 text, independent of the locale.
#pragma once

#include <string>

namespace zh {

// The first letter of `text` upper-cased: ASCII, Latin-1 Supplement and Latin
// Extended-A letters are mapped; other letters stay as they are. Marks such as
// '¿' and '¡', digits and punctuation before the first letter are skipped; a text
// without a letter comes back unchanged.
std::string CapitalizeFirstLetter(std::string text);

}  // namespace zh
