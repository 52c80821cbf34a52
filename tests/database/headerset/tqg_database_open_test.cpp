// Creating and opening a header set under real use: a creation killed at any point
// leaves no set or a complete empty one, and a set held by another process is
// answered as in use, not as damaged.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "app/message_ids.h"
#include "core/temp_dir.h"
#include "database/headerset/tqg_database.h"
#include "database/killed_child.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

int FileCount(const fs::path& folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

// Runs `hold` in a child that keeps the set open until the parent is done.
class HoldingChild {
 public:
  explicit HoldingChild(const std::string& base) {
    int ready[2], done[2];
    if (pipe(ready) != 0 || pipe(done) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(done[1]);
      TqgDatabase db(base, false);
      const char state = static_cast<char>(db.ErrorState());
      if (write(ready[1], &state, 1) != 1) _exit(3);
      char c;
      while (read(done[0], &c, 1) > 0) {
      }
      _exit(0);
    }
    close(ready[1]);
    close(done[0]);
    done_ = done[1];
    char state = 1;
    if (read(ready[0], &state, 1) == 1) state_ = state;
    close(ready[0]);
  }
  ~HoldingChild() {
    if (done_ >= 0) close(done_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  int State() const { return state_; }

 private:
  pid_t pid_ = -1;
  int done_ = -1;
  int state_ = -1;
};

TEST(TqgDatabaseOpen, EachFailureHasItsOwnCode) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  {
    TqgDatabase db(base, true);
    ASSERT_EQ(db.ErrorState(), 0);
    TQGame game;
    test::GrowRandomGame(game, 3, {});
    game.header.white = TQPlayer("White", "");
    ASSERT_EQ(db.AppendGame(game), 0);
  }
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> damage;
    int expected;
  };
  const Case cases[] = {
      {"intact", [](const fs::path&) {}, kDbDone},
      {"missing", [](const fs::path& d) { fs::remove_all(d); }, kDbNoSuchFile},
      {"truncated player library",
       [](const fs::path& d) { fs::resize_file(d / "db.tqp", 7); }, kDbLibraryDefect},
      {"folder in place of the game file",
       [](const fs::path& d) {
         fs::remove(d / "db.tqg");
         fs::create_directory(d / "db.tqg");
       },
       kDbLibraryDefect},
  };
  for (const Case& c : cases) {
    test::TempDir copy;
    fs::copy(dir.Path(), copy.Path(), fs::copy_options::recursive);
    c.damage(copy.Path());
    TqgDatabase db((copy / "db").string(), false);
    EXPECT_EQ(db.ErrorState(), c.expected) << c.name;
  }

  // Held by another process: refused without touching it, and told as such.
  HoldingChild holder(base);
  ASSERT_EQ(holder.State(), 0);
  {
    TqgDatabase second(base, false);
    EXPECT_EQ(second.ErrorState(), kDbInUse);
    TqgDatabase creating(base, true);
    EXPECT_EQ(creating.ErrorState(), kDbInUse);
  }
  test::RecordingServices services;
  services.texts[msg::M_DATABASE_IN_USE] = "Database is in use by another program";
  EXPECT_EQ(DatabaseResultText(kDbInUse), "Database is in use by another program");
  EXPECT_EQ(DatabaseResultText(kDbLibraryDefect), "");
}

// The child creates the set and is killed by its own timer `micros` into the creation;
// it reports the creation's length in microseconds. Without a timer (-1) it ends
// after the report.
test::ChildOutcome CreateAndDie(const std::string& base, long micros) {
  return test::RunChild([&](const std::function<void(int)>& report) {
    signal(SIGALRM, [](int) { kill(getpid(), SIGKILL); });
    itimerval timer{};
    timer.it_value.tv_sec = micros / 1000000;
    timer.it_value.tv_usec = micros % 1000000;
    const auto start = std::chrono::steady_clock::now();
    if (micros >= 0) setitimer(ITIMER_REAL, &timer, nullptr);
    TqgDatabase db(base, true);
    if (db.ErrorState() != 0) _exit(4);
    report(1 + static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - start).count()));
    if (micros < 0) _exit(0);
    pause();  // the timer ends the child with the set open
  });
}

TEST(TqgDatabaseOpen, AKilledCreationLeavesNoSetOrAnEmptyOne) {
  // The creation's length here and now, to spread the kills over its steps.
  long length = 0;
  for (int i = 0; i < 3; ++i) {
    test::TempDir probe;
    length = std::max<long>(length, CreateAndDie((probe / "db").string(), -1).reported);
  }
  ASSERT_GT(length, 0);

  int empty = 0, complete = 0;
  for (int i = 0; i < 40; ++i) {
    test::TempDir dir;
    const std::string base = (dir / "db").string();
    const long micros = 1 + length * i / 36;  // the last few after the creation
    const test::ChildOutcome out = CreateAndDie(base, micros);
    ASSERT_TRUE(out.killed) << "kill " << i;
    {
      TqgDatabase db(base, false);
      if (db.ErrorState() == 0) {
        EXPECT_EQ(db.GetCount(), 0) << "kill " << i;
        ++complete;
      } else {
        EXPECT_EQ(db.ErrorState(), kDbNoSuchFile) << "kill " << i;
        EXPECT_EQ(out.reported, 0) << "a set reported created is gone, kill " << i;
        EXPECT_EQ(FileCount(dir.Path()), 0) << "half-made files left, kill " << i;
        ++empty;
      }
    }
    // Either way the set can be made and used at once.
    TqgDatabase again(base, true);
    ASSERT_EQ(again.ErrorState(), 0) << "kill " << i;
    TQGame game;
    test::GrowRandomGame(game, static_cast<uint32_t>(i), {});
    EXPECT_EQ(again.AppendGame(game), 0) << "kill " << i;
  }
  RecordProperty("no_set", empty);
  RecordProperty("empty_set", complete);
}

}  // namespace
}  // namespace zh
