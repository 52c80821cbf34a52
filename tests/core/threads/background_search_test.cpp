// Background searches beside direct calls from several threads; scripts/test runs this
// again under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "core/rules/movelist.h"
#include "core/search/search_entry.h"
#include "support/queued_poster.h"
#include "support/test_fen.h"

namespace zh {
namespace {

const char* const kFens[] = {
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1",
    "8/8/4k3/8/2B5/8/3K4/8 w - - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
};

TEST(BackgroundSearch, JobsFromFourThreadsReportOnTheDrainingThread) {
  test::QueuedPoster poster;
  const std::thread::id drainer = std::this_thread::get_id();
  std::atomic<int> links{0};
  std::vector<std::thread> starters;
  for (int t = 0; t < 4; ++t) {
    starters.emplace_back([t, &links, drainer]() {
      auto job = std::make_shared<BackgroundSearchJob>();
      job->position = test::ParseFenForTest(kFens[t]);
      job->depth = 3;
      job->link = [&links, drainer](BackgroundSearchJob& j) {
        EXPECT_EQ(std::this_thread::get_id(), drainer);
        if (!j.move.IsEmpty()) {
          MoveList list;
          list.GenerateLegal(j.position);
          EXPECT_TRUE(list.Contains(j.move.ToMove()));
        }
        ++links;
      };
      EXPECT_NE(StartBackgroundSearch(job), 0u);
      // Direct calls contend for the same search.
      EXPECT_EQ(MiniSearchScore(test::ParseFenForTest(kFens[1]), 2), 10000);
    });
  }
  for (std::thread& s : starters) s.join();
  JoinBackgroundSearches();
  EXPECT_EQ(poster.Drain(), 4);
  EXPECT_EQ(links.load(), 4);
  EXPECT_EQ(poster.Drain(), 0);  // each link once
}

TEST(BackgroundSearch, DroppedJobIsFreed) {
  std::weak_ptr<BackgroundSearchJob> watch;
  {
    test::QueuedPoster poster;
    auto job = std::make_shared<BackgroundSearchJob>();
    job->position = Position();
    job->depth = 2;
    job->link = [](BackgroundSearchJob&) { ADD_FAILURE() << "dropped job ran"; };
    watch = job;
    StartBackgroundSearch(job);
    job.reset();
    JoinBackgroundSearches();
    EXPECT_EQ(poster.Pending(), 1u);
  }  // the queue goes undrained
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace zh
