#include "app/shell_hooks.h"

#include <gtest/gtest.h>

#include "app/app_params.h"
#include "core/rules/move.h"

namespace zh {
namespace {

TEST(ShellHooks, NullVersionsAnswerNeutrallyAndGuardsRestore) {
  EXPECT_FALSE(Game().AutosaveGame());
  EXPECT_TRUE(Game().AllEnginesGone());
  EXPECT_FALSE(Game().IsLiveEngine(3));
  Coach().OnGameEnd(1);
  struct Busy : GameHooks {
    bool AllEnginesGone() const override { return false; }
  } game;
  {
    ScopedHooks installed(ShellHooks{.game = &game});
    EXPECT_FALSE(Game().AllEnginesGone());
  }
  EXPECT_TRUE(Game().AllEnginesGone());
}

TEST(ShellHooks, PieceLettersReachTheCoreMoveTexts) {
  Move knight = Move::FromSquares(48, 42);  // g1-f3
  knight.piece = 3;
  knight.complete = 1;
  const std::string english = knight.ToLongText();
  Notation().SetPieceTable("XKDSLTBY");
  const std::string german = knight.ToLongText();
  Notation().SetPieceTable("XKQNBRPY");
  EXPECT_EQ(english.substr(0, 6), "Ng1-f3");
  EXPECT_EQ(german.substr(0, 6), "Sg1-f3");
}

TEST(ShellEnvironment, ProcessorNameFromCpuinfo) {
  const std::string path = testing::TempDir() + "/cpuinfo";
  {
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("processor\t: 0\nvendor_id\t: Test\nmodel name\t: Example CPU 9000\n", f);
    std::fclose(f);
  }
  EXPECT_EQ(ProcessorName(path), "Example CPU 9000");
  EXPECT_EQ(ProcessorName(path + ".missing"), "");
}

}  // namespace
}  // namespace zh
