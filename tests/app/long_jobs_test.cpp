// The one long job: refusal of a second job, the stop key, the stop link and the
// progress shortcut's answer.
#include <gtest/gtest.h>

#include "app/long_jobs.h"
#include "support/recording_services.h"

namespace zh {
namespace {

struct Counters {
  int pumps = 0;
  int cancels = 0;
  int links = 0;
  int32_t Stop(std::intptr_t) { return ++links; }
};

LongJobs MakeJobs(Counters& c) {
  return LongJobs([&c] { ++c.pumps; }, [&c] { ++c.cancels; });
}

TEST(LongJobs, SecondJobIsRefusedAndTheFirstLeftAlone) {
  test::RecordingServices services;
  Counters c;
  LongJobs jobs = MakeJobs(c);
  ASSERT_TRUE(jobs.BeginProcess("Match"));
  EXPECT_FALSE(jobs.BeginProcess("Search"));
  EXPECT_EQ(services.calls, std::vector<std::string>{"ErrorBox: Cannot start a second process\nMatch"});
  EXPECT_TRUE(jobs.IsProcessRunning());
  EXPECT_EQ(jobs.ProcessName(), "Match");
  jobs.EndProcess();
  EXPECT_TRUE(jobs.BeginProcess("Search"));
}

TEST(LongJobs, StopKeyAsksOnceAndPumpsOnce) {
  struct Case {
    const char* name;
    bool job;
    bool answer;
    bool stops;
    int questions;
  };
  for (const Case& k : {Case{"yes stops", true, true, true, 1}, Case{"no goes on", true, false, false, 1},
                        Case{"no job: only the wait ends", false, true, false, 0}}) {
    test::RecordingServices services;
    services.answers = {k.answer};
    Counters c;
    LongJobs jobs = MakeJobs(c);
    if (k.job) jobs.BeginProcess("Analysis");
    jobs.OnStopKey();
    EXPECT_EQ(c.cancels, 1) << k.name;
    EXPECT_EQ(jobs.ProcessShouldStop(), k.stops) << k.name;
    EXPECT_EQ(c.pumps, 1) << k.name;
    EXPECT_EQ(services.CallsStartingWith("AskYesNo").size(), static_cast<size_t>(k.questions)) << k.name;
    // The request was handled: the next poll neither asks nor stops.
    EXPECT_FALSE(jobs.ProcessShouldStop()) << k.name;
    EXPECT_EQ(services.CallsStartingWith("AskYesNo").size(), static_cast<size_t>(k.questions)) << k.name;
  }
}

TEST(LongJobs, StopProcessCallsTheLinkOnceAndEndsTheWait) {
  test::RecordingServices services;
  Counters c;
  LongJobs jobs = MakeJobs(c);
  jobs.BeginProcess("Database");
  jobs.SetStopLink(CallbackLink::Bind<Counters, &Counters::Stop>(&c));
  jobs.StopProcess();
  jobs.StopProcess();
  EXPECT_EQ(c.links, 1);
  EXPECT_EQ(c.cancels, 2);
  EXPECT_TRUE(jobs.ProcessShouldStop());
  EXPECT_FALSE(jobs.ProcessShouldStop());
}

TEST(LongJobs, CloseFeedbackAnswersWhetherStopWasPressed) {
  test::RecordingServices services;
  bool previous = EnableFeedback(true);
  OpenFeedbackIfEnabled(10, 0);
  EXPECT_FALSE(CloseFeedbackIfEnabled());
  OpenFeedbackIfEnabled(10, 0);
  services.stopAnswers = {true};
  EXPECT_TRUE(CloseFeedbackIfEnabled());
  EnableFeedback(false);
  services.stopAnswers = {true};
  EXPECT_FALSE(CloseFeedbackIfEnabled());
  EnableFeedback(previous);
}

}  // namespace
}  // namespace zh
