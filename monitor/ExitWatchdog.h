// A bound on how long the end of the program may take. Stopping the listeners and logging off
// talk to the server; when the server or the network is gone such a call can wait for a
// minute or more, and a closed window must not leave a process behind that long.
#pragma once

#include <chrono>

namespace vek::monitor {

// From now on the process ends, with exit status 0, once the delay has passed, unless it has
// ended by itself before.
void ArmExitWatchdog(std::chrono::milliseconds delay);

}  // namespace vek::monitor
