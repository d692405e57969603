// Every logon and password-change dialog of the Qt program is a fresh TLogOnForm.
#include "logon/QtLogonWindows.h"

#include <memory>

#include "logon/LogOnForm.h"

namespace vek {

void InstallQtLogonWindows() {
  InstallLogonWindowFactory(
      []() -> std::unique_ptr<LogonWindow> { return std::make_unique<TLogOnForm>(); });
}

}  // namespace vek
