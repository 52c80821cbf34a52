#include "app/language_switch.h"

#include "app/languages.h"
#include "core/toolbox/profile_file.h"

namespace zh {

void RefreshAfterLanguage() {
  GameWindowHook().RelayoutForLanguage();
  DbWindowHook().RelayoutForLanguage();
  Game().RefreshTexts();
}

std::string CurrentHelpFolder(const AppParams& params) {
  return HelpFolder(params.Environment().locations.dataFolder, Language(params.language).helpFile);
}

void SwitchLanguage(AppParams& params, ShellTexts& texts, LanguageState& state, int language,
                    const IntTriple& choice) {
  params.language = static_cast<int16_t>(NormalizedLanguage(language));
  state.helpFolder = CurrentHelpFolder(params);
  WaitCursor wait;
  texts.Reload(params.language);
  Coach().RebuildChatter(params.LanguageFolder(params.Environment().locations.dataFolder));
  params.langChoice = choice;
  RefreshAfterLanguage();
  params.SetPieceLetters();
  params.Notify();
  CurrentWindowHook().Repaint();
}

bool WriteProgramFolder(const std::string& folder, const std::string& programFolder) {
  ProfileFile file;
  if (!file.Open(JoinPath(folder, "Tarqunix.ini"))) return false;
  file.DeleteGroup("Zelko Home 2");
  file.SelectGroup("Zelko Home 2");
  file.WriteString("Path", programFolder);
  return file.Flush();
}

}  // namespace zh
