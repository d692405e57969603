// The debugger check: the stand-in flag, and a real tracer attached to a child process.
#include <gtest/gtest.h>

#include "platform/Debugger.h"

#ifndef _WIN32
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace vek {
namespace {

TEST(Debugger, StandInAnswersAndIsUndone) {
  const bool system = DebuggerPresent();
  {
    ScopedDebuggerPresence present(true);
    EXPECT_TRUE(DebuggerPresent());
    {
      ScopedDebuggerPresence absent(false);
      EXPECT_FALSE(DebuggerPresent());
    }
    EXPECT_TRUE(DebuggerPresent());
  }
  EXPECT_EQ(DebuggerPresent(), system);
}

#ifndef _WIN32
TEST(Debugger, TracedProcessSeesItsTracer) {
  if (DebuggerPresent()) GTEST_SKIP() << "the test itself runs under a debugger";
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // The child asks to be traced by its parent, stops so that the parent is attached, and
    // reports through its exit status what it saw: 0 traced, 1 not traced, 2 no tracing here.
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
    raise(SIGSTOP);
    _exit(DebuggerPresent() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (WIFSTOPPED(status)) {
    ptrace(PTRACE_CONT, child, nullptr, nullptr);
    ASSERT_EQ(waitpid(child, &status, 0), child);
  }
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "tracing is not permitted on this machine";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a traced process should see its tracer";
}
#endif

}  // namespace
}  // namespace vek
