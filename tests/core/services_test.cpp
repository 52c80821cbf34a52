#include "core/services.h"

#include <gtest/gtest.h>

#include "support/recording_services.h"

namespace zh {
namespace {

TEST(Services, NullImplementationsGiveNeutralAnswers) {
  EXPECT_EQ(GetMessageText(23), "NOTEXT");
  EXPECT_FALSE(AskYesNo("Overwrite?"));
  EXPECT_FALSE(AskOkCancel("M_PROBABLY_NOT_ENOUGH_SPACE"));
  EXPECT_FALSE(ProcessShouldStop());
  ErrorBox("nobody sees this");
  ASSERT_TRUE(BeginProcess("job"));
  EXPECT_FALSE(BeginProcess("second job"));
  EndProcess();
}

TEST(Services, RecordingGuardInstallsAndRestores) {
  {
    test::RecordingServices rec;
    rec.texts[133] = "~white";
    rec.answers = {true, false};
    EXPECT_TRUE(AskYesNo("first"));
    EXPECT_FALSE(AskOkCancel("second"));
    EXPECT_FALSE(AskYesNo("no answer left"));
    ErrorBox("boom");
    ReportInconsistency("Incons", "Cntainer/Avl", 42);
    EXPECT_EQ(GetMessageTextPlain(133), "white");
    EXPECT_EQ(GetMessageTextPlain(133, TextCase::Upper), "WHITE");
    EXPECT_EQ(GetMessageText(999), "NOTEXT");
    std::vector<std::string> expected = {"AskYesNo: first", "AskOkCancel: second",
                                         "AskYesNo: no answer left", "ErrorBox: boom",
                                         "ErrorBox: Incons\nCntainer/Avl\n42"};
    EXPECT_EQ(rec.calls, expected);
  }
  EXPECT_EQ(GetMessageText(133), "NOTEXT");
}

TEST(Services, FeedbackSwitchGuardsIfEnabledCalls) {
  test::RecordingServices rec;
  bool was = EnableFeedback(false);
  OpenFeedbackIfEnabled(10, 0);
  StepFeedbackIfEnabled(3);
  EXPECT_FALSE(CloseFeedbackIfEnabled());
  EXPECT_TRUE(rec.calls.empty());

  EXPECT_FALSE(EnableFeedback(true));
  rec.stopAnswers = {true};
  OpenFeedbackIfEnabled(10, 0);
  StepFeedbackIfEnabled(3);
  EXPECT_TRUE(CloseFeedbackIfEnabled());
  EXPECT_EQ(rec.CallsStartingWith("Progress").size(), 3u);
  EnableFeedback(was);
}

TEST(Services, WaitCursorNests) {
  test::RecordingServices rec;
  {
    WaitCursor outer;
    {
      WaitCursor inner;
      EXPECT_EQ(WaitCursor::Depth(), 2);
    }
  }
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"WaitOn", "WaitOff"}));
}

struct Counter {
  int calls = 0;
  int32_t Hit(std::intptr_t arg) {
    ++calls;
    return *reinterpret_cast<int*>(arg) * 2;
  }
};

TEST(CallbackLink, CallsOnlyWhenBothHalvesAreSet) {
  Counter counter;
  int value = 21;
  auto arg = reinterpret_cast<std::intptr_t>(&value);
  CallbackLink unset;
  EXPECT_EQ(unset.Call(arg), 0);
  CallbackLink noFunction(&counter, nullptr);
  EXPECT_EQ(noFunction.Call(arg), 0);
  CallbackLink noObject(nullptr, [](void*, std::intptr_t) { return int32_t{7}; });
  EXPECT_EQ(noObject.Call(arg), 0);

  auto link = CallbackLink::Bind<Counter, &Counter::Hit>(&counter);
  EXPECT_EQ(link.Call(arg), 42);
  EXPECT_EQ(counter.calls, 1);
}

}  // namespace
}  // namespace zh
