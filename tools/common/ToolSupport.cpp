// The pieces the command-line tools share.
#include "tools/common/ToolSupport.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "access/ConnectAs.h"
#include "access/OracleSession.h"

namespace vek::tools {
namespace {

// The logon string without its connect-as mode, and the mode ("" for none).
std::string WithoutConnectAs(const std::string& logon, std::string& mode) {
  std::string text = logon;
  mode = SplitConnectAs(text);
  return mode.empty() ? logon : text;
}

bool ReadLine(int fd, std::string& line) {
  line.clear();
  char c = 0;
  bool any = false;
  while (true) {
    const ssize_t got = read(fd, &c, 1);
    // A signal (Ctrl+C at the prompt) ends the reading as the end of input does.
    if (got <= 0) return any && got == 0;
    any = true;
    if (c == '\n') return true;
    if (c != '\r') line += c;
  }
}

}  // namespace

bool IsProgramArgument(const std::string& argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  for (std::size_t i = 0; i < equals; ++i) {
    const auto c = static_cast<unsigned char>(argument[i]);
    if (!(std::isalnum(c) || c == '_') || (i == 0 && std::isdigit(c))) return false;
  }
  return true;
}

bool LogonLacksPassword(const std::string& logon) {
  std::string mode;
  const std::string text = WithoutConnectAs(logon, mode);
  const std::size_t at = std::min(text.find('@'), text.size());
  const std::size_t slash = text.find('/');
  return slash == std::string::npos || slash >= at || slash + 1 == at;
}

std::string LogonWithPassword(const std::string& logon, const std::string& password) {
  std::string mode;
  const std::string text = WithoutConnectAs(logon, mode);
  const std::size_t at = std::min(text.find('@'), text.size());
  const std::size_t user = std::min(text.find('/'), at);
  std::string result = text.substr(0, user) + "/" + password + text.substr(at);
  if (!mode.empty()) result += " as " + mode;
  return result;
}

bool ReadPassword(std::string& password) {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return ReadLine(STDIN_FILENO, password);
  termios saved{};
  const bool terminal = tcgetattr(tty, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(tty, TCSAFLUSH, &quiet);
  }
  const char prompt[] = "Password: ";
  (void)!write(tty, prompt, sizeof prompt - 1);
  const bool read = ReadLine(tty, password);
  if (terminal) tcsetattr(tty, TCSAFLUSH, &saved);
  close(tty);
  return read;
}

bool LogOnReporting(TOracleSession& session, const std::string& logon, std::ostream& errors) {
  try {
    // The logon string is split into user, password, database and connect-as by the session.
    session.SetLogonUsername(logon);
    session.LogOn();
    return true;
  } catch (const std::exception& error) {
    errors << error.what() << '\n' << std::flush;
    return false;
  }
}

}  // namespace vek::tools
