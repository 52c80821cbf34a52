// The seven user-interface languages: list texts, data folders and help folders,
// and the search for a data file across the language folders.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zh {

inline constexpr int kLanguageCount = 7;

struct LanguageInfo {
  std::string_view listText;  // shown in the language list
  std::string_view folder;    // data sub-folder of the language
  std::string_view helpFile;  // stored help file name; its pages lie in help/<stem>/
};

// The language of a number; numbers outside 0-6 count as 0 (English).
const LanguageInfo& Language(int number);
int NormalizedLanguage(int number);

// `path` joined with the language's folder; `path`/English when that folder
// does not exist.
std::string LanguageFolder(std::string_view path, int language);

// The file `name` in the language folder under `path`: the language's own folder
// first, then languages 0 to 6, else the language's own candidate. The name and the
// folder are matched without regard to case.
std::string FindDataFile(std::string_view path, std::string_view name, int language);

// The folder of a help file's pages ("ZK_E.HLP" -> <dataFolder>/help/ZK_E; the
// English folder when the language has none) and the page of one help id in it.
std::string HelpFolder(std::string_view dataFolder, std::string_view helpFile);
std::string HelpPage(std::string_view helpFolder, int helpId);
// The page, or the English page when the folder lacks it.
std::string HelpPage(std::string_view helpFolder, int helpId, std::string_view englishFolder);

}  // namespace zh
