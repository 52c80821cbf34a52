// Kill tests: a child process makes numbered steps (transactions) and may die by
// SIGKILL at any moment; the parent learns the last step the child reported finished.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

namespace zh::test {

struct ChildOutcome {
  int reported = 0;     // the last step reported finished, 0 for none
  bool killed = false;  // died by SIGKILL
  bool ok = false;      // killed, or ended with code 0
};

// Runs `work` in a forked child; it calls the reporter after each finished step. The
// child ends with _exit, so nothing of the parent's state is torn down twice. With
// `killAfterMicros` >= 0 the parent kills the child by SIGKILL after that time.
inline ChildOutcome RunChild(const std::function<void(const std::function<void(int)>&)>& work,
                             int killAfterMicros = -1) {
  ChildOutcome out;
  int fds[2];
  if (pipe(fds) != 0) return out;
  const pid_t pid = fork();
  if (pid < 0) return out;
  if (pid == 0) {
    close(fds[0]);
    work([fd = fds[1]](int step) {
      if (write(fd, &step, sizeof step) != sizeof step) _exit(3);
    });
    _exit(0);
  }
  close(fds[1]);
  // The child is reaped only after the killer is done, so its pid cannot be reused.
  std::thread killer;
  if (killAfterMicros >= 0)
    killer = std::thread([pid, killAfterMicros] {
      std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicros));
      kill(pid, SIGKILL);
    });
  for (int step; read(fds[0], &step, sizeof step) == sizeof step;) out.reported = step;
  close(fds[0]);
  if (killer.joinable()) killer.join();
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return out;
  out.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  out.ok = out.killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return out;
}

// The states after `reported` of `steps` steps and after one step more (a child killed
// after finishing a step but before reporting it), replayed from `start`. With every
// step reported both are the final state.
template <class State, class Step>
std::pair<State, State> StatesAround(State start, int reported, int steps, Step step) {
  for (int t = 1; t <= reported && t <= steps; ++t) step(start);
  State next = start;
  if (reported < steps) step(next);
  return {start, next};
}

}  // namespace zh::test
