#include "coach/ui/sound_hooks.h"

#include <gtest/gtest.h>

#include "coach/recording_audio_sink.h"
#include "core/rules/board.h"
#include "support/recording_services.h"

namespace zh {
namespace {

Move KnightMove() {
  Move move;
  move.from = static_cast<int8_t>(MakeSquare(6, 0));
  move.to = static_cast<int8_t>(MakeSquare(5, 2));
  move.piece = kKnight;
  move.complete = 1;
  return move;
}

// Start-up makes the board sounds first and the sound manager later, both on one
// sink; close removes them in the same order and the sink goes with the last.
TEST(SoundHooks, StagesShareOneSinkAndSpeakOnlyWithTheManager) {
  test::RecordingServices services;
  test::RecordingAudioSink* sink = nullptr;
  int sinksMade = 0;
  SoundHooks hooks([&] {
    ++sinksMade;
    auto made = std::make_unique<test::RecordingAudioSink>();
    sink = made.get();
    return made;
  });
  EXPECT_EQ(hooks.Sink(), nullptr);

  hooks.CreateSoundEffects();
  ASSERT_NE(hooks.Effects(), nullptr);
  EXPECT_EQ(hooks.Manager(), nullptr);
  hooks.Effects()->SpeakMove(KnightMove(), false);
  EXPECT_TRUE(sink->started.empty());  // nothing is spoken without the manager

  hooks.CreateSoundManager();
  ASSERT_NE(hooks.Manager(), nullptr);
  EXPECT_EQ(sinksMade, 1);
  const size_t before = sink->calls.size();
  hooks.Effects()->SpeakMove(KnightMove(), false);
  EXPECT_GT(sink->calls.size(), before);  // the fragments went to the manager's queue

  hooks.DeleteSoundEffects();
  EXPECT_NE(hooks.Sink(), nullptr);  // still the manager's
  hooks.ShutdownSound();
  EXPECT_EQ(hooks.Manager(), nullptr);
  EXPECT_EQ(hooks.Sink(), nullptr);
}

TEST(SoundHooks, ShutdownBeforeTheEffectsLeavesThemSilentButSafe) {
  test::RecordingServices services;
  SoundHooks hooks([] { return std::make_unique<test::RecordingAudioSink>(); });
  hooks.SetSoundOn(true);
  hooks.CreateSoundManager();
  hooks.ShutdownSound();
  ASSERT_NE(hooks.Effects(), nullptr);
  ASSERT_NE(hooks.Sink(), nullptr);
  hooks.Effects()->SpeakMove(KnightMove(), false);
  hooks.Effects()->Stop();
  hooks.DeleteSoundEffects();
  EXPECT_EQ(hooks.Sink(), nullptr);
}

}  // namespace
}  // namespace zh
