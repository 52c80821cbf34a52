// Switching the user-interface language, and recording the program folder in the
// maker's shared settings file.
#pragma once

#include <string>

#include "app/app_params.h"
#include "app/message_file.h"

namespace zh {

// What a language switch changes besides the settings and the texts.
struct LanguageState {
  std::string helpFolder;  // pages of the current help file
};

// Makes `language` the current one: its help folder, the message files and opening
// names read again (also for the same language), the coach's scripts rebuilt, the
// dialog's choice stored, the windows and game texts renewed and the piece letters
// applied. Runs in the application's wait state.
void SwitchLanguage(AppParams& params, ShellTexts& texts, LanguageState& state, int language,
                    const IntTriple& choice);

// Re-layout of both work windows, then the game's texts.
void RefreshAfterLanguage();

// The help folder of the current language.
std::string CurrentHelpFolder(const AppParams& params);

// Writes group "Zelko Home 2", key "Path" = the program folder, into "Tarqunix.ini"
// in `folder` (the user folder), replacing that group and keeping the others.
bool WriteProgramFolder(const std::string& folder, const std::string& programFolder);

}  // namespace zh
