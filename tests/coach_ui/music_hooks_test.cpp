// The music player as the shell reaches it, on the program's own data folder and on
// the GUI thread's timers.
#include <gtest/gtest.h>

#include <QTimer>
#include <filesystem>

#include "app/shell_hooks.h"
#include "app/ui/delayed_call.h"
#include "app/ui/qt_services.h"
#include "coach/fake_midi_player.h"
#include "coach/ui/sound_hooks.h"
#include "coach_ui/test_app.h"
#include "support/recording_services.h"

namespace zh {
namespace {

struct OtherUser {
  int calls = 0;
  int32_t Take(std::intptr_t) { return ++calls; }
};

// The hooks make the player over the program's music folder and pass the shell's
// music calls on; before it is made (and after it is gone) they do nothing.
TEST(MusicHooks, ReachThePlayerOverTheProgramsMusicFolder) {
  test::RecordingServices services;
  services.settings.programFolder = ZH_DATA_DIR "/..";
  test::FakeMidiPlayer* midi = nullptr;
  SoundHooks hooks({}, [&] {
    auto made = std::make_unique<test::FakeMidiPlayer>();
    midi = made.get();
    return made;
  });
  EXPECT_FALSE(hooks.HasMusicFolder());
  EXPECT_EQ(hooks.PollMusic(), 0);
  hooks.PlayIntro();
  hooks.CloseMusic();
  EXPECT_TRUE(services.CallsStartingWith("ErrorBox").empty());

  hooks.CreateMusicPlayer();
  ASSERT_NE(midi, nullptr);
  EXPECT_TRUE(hooks.HasMusicFolder());
  EXPECT_TRUE(hooks.HasSecondMusicFolder());
  EXPECT_EQ(hooks.PollMusic(), 1);
  ASSERT_EQ(midi->opened.size(), 1u);
  EXPECT_TRUE(hooks.Music()->AutoNext());
  hooks.CloseMusic();
  EXPECT_FALSE(hooks.Music()->AutoNext());
  EXPECT_FALSE(midi->IsPlaying());
  hooks.PlayIntro();
  EXPECT_EQ(midi->opened.back(), "guitars2.mid");
  hooks.PlayRandomPiece();
  EXPECT_TRUE(std::filesystem::is_regular_file(ZH_DATA_DIR "/music/" + midi->opened.back()));
  hooks.DeleteMusicPlayer();
  EXPECT_EQ(hooks.Music(), nullptr);
  EXPECT_EQ(hooks.PollMusic(), 0);
}

// The rotation keeps its own timer: another user of the shell's one deferred call,
// armed between a piece's end and the next step, neither stops the rotation nor
// loses its own call.
TEST(MusicHooks, TheShellsDeferredCallDoesNotStopTheRotation) {
  test::CoachTestApp();
  QtServices qt;
  test::RecordingServices services;
  test::FakeMidiPlayer midi;
  MusicPlayer player(midi, ZH_DATA_DIR "/music");
  OtherUser other;
  ASSERT_EQ(player.Poll(), 1);
  for (int piece = 1; piece <= 3; ++piece) {
    midi.End(true);
    EXPECT_FALSE(TheDelayedCall().IsPending());
    CallLater(CallbackLink::Bind<OtherUser, &OtherUser::Take>(&other), 0);
    for (int i = 0; i < 20 && (midi.opened.size() == static_cast<size_t>(piece) ||
                               TheDelayedCall().IsPending());
         ++i)
      WaitMs(20);
    EXPECT_EQ(midi.opened.size(), static_cast<size_t>(piece) + 1);
    EXPECT_EQ(other.calls, piece);
  }
}

}  // namespace
}  // namespace zh
