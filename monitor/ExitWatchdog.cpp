// The exit watchdog: a detached thread that ends the process when the program's own end takes
// too long.
#include "monitor/ExitWatchdog.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace vek::monitor {

void ArmExitWatchdog(std::chrono::milliseconds delay) {
  std::thread([delay] {
    std::this_thread::sleep_for(delay);
    std::fflush(nullptr);
    std::_Exit(0);
  }).detach();
}

}  // namespace vek::monitor
