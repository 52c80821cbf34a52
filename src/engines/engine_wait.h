// The one way engine control waits: for a condition, bounded by a deadline, while
// the user interface and the engine reports go on. A killed or hung engine ends the
// wait with a message, never a hang.
#pragma once

#include <cstdint>
#include <functional>

namespace zh {

enum class WaitEnd {
  kMet,        // the condition holds
  kDeadline,   // the deadline passed first
  kQuit,       // the user closes the program
  kHostGone,   // the watched engine's host has ended
};

// How long one pass waits for the next event.
inline constexpr int32_t kWaitSliceMs = 20;

// Lets pending events run and waits for the next one, a slice at a time, until
// `condition` holds or `deadline` (ticks of the core clock) passes, the program is to
// quit, or the host of `watchedEngine` (0: none) has gone. A deadline that passes on
// a watched engine shows "Engine does not answer" once for that engine.
WaitEnd WaitUntil(const std::function<bool()>& condition, uint64_t deadline, int32_t watchedEngine = 0);

// The deadline `ms` milliseconds from now.
uint64_t DeadlineIn(uint32_t ms);

// A pause of `ms` with events running, as a number of slices: it ends when the clock
// passes the time or the slices are used up, whichever comes first (so a clock that
// stands still cannot hold it), or early when `condition` holds.
WaitEnd PauseWithEvents(uint32_t ms, const std::function<bool()>& condition = nullptr);

// Lets the pending events run once, without waiting (a wait whose condition holds).
void RunPendingEvents();

}  // namespace zh
