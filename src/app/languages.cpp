#include "app/languages.h"

#include "app/locations.h"

namespace zh {
namespace {

constexpr std::array<LanguageInfo, kLanguageCount> kLanguages = {{
    {"English", "English", "ZK_E.HLP"},
    {"Deutsch", "Deutsch", "ZK_D.HLP"},
    {"Francais", "Francais", "ZK_F.HLP"},
    {"Espanol", "Espanol", "ZK_S.HLP"},
    {"Italiano", "Italiano", "ZK_I.HLP"},
    {"Nederlands", "Nederlnd", "ZK_N.HLP"},
    {"Slovenia", "Slovenia", "ZK_V.HLP"},
}};

std::string ExistingOr(const std::string& path) { return FindPathIgnoringCase(path).value_or(path); }

}  // namespace

int NormalizedLanguage(int number) { return number >= 0 && number < kLanguageCount ? number : 0; }

const LanguageInfo& Language(int number) {
  return kLanguages[static_cast<size_t>(NormalizedLanguage(number))];
}

std::string LanguageFolder(std::string_view path, int language) {
  std::string folder = ExistingOr(JoinPath(path, Language(language).folder));
  if (IsDirectory(folder)) return folder;
  return ExistingOr(JoinPath(path, kLanguages[0].folder));
}

std::string FindDataFile(std::string_view path, std::string_view name, int language) {
  const std::string own = JoinPath(LanguageFolder(path, language), name);
  if (auto found = FindPathIgnoringCase(own)) return *found;
  for (int l = 0; l < kLanguageCount; ++l) {
    if (l == NormalizedLanguage(language)) continue;
    std::string folder = JoinPath(path, Language(l).folder);
    if (auto found = FindPathIgnoringCase(JoinPath(folder, name))) return *found;
  }
  return own;
}

std::string HelpFolder(std::string_view dataFolder, std::string_view helpFile) {
  const std::string help = JoinPath(dataFolder, "help");
  std::string_view stem = helpFile.substr(0, helpFile.find('.'));
  std::string folder = ExistingOr(JoinPath(help, stem));
  if (IsDirectory(folder)) return folder;
  std::string_view english = kLanguages[0].helpFile;
  return ExistingOr(JoinPath(help, english.substr(0, english.find('.'))));
}

std::string HelpPage(std::string_view helpFolder, int helpId, std::string_view englishFolder) {
  std::string page = HelpPage(helpFolder, helpId);
  if (IsFile(page) || englishFolder.empty()) return page;
  return HelpPage(englishFolder, helpId);
}

std::string HelpPage(std::string_view helpFolder, int helpId) {
  return JoinPath(helpFolder, std::to_string(helpId) + ".html");
}

}  // namespace zh
