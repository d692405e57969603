// The Qt program's logon windows: installs the factory that gives the logon procedure and the
// password change a real TLogOnForm. The program calls it once at start-up.
#pragma once

namespace vek {

void InstallQtLogonWindows();

}  // namespace vek
