// Command-line parsing. Every option takes its value as the next argument; a port of 0
// lets the system choose one, which the server then announces on its first output line.
#include "devdb/server/ServerOptions.h"

#include <cctype>
#include <cstdlib>

namespace devdb::server {
namespace {

int ParseInteger(const std::string& text, int lowest, int highest, const std::string& what) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    throw ServerOptions::UsageError("not a valid " + what + ": " + text);
  int value = std::stoi(text);
  if (value < lowest || value > highest)
    throw ServerOptions::UsageError("not a valid " + what + ": " + text);
  return value;
}

// A number of bytes, optionally with the binary suffix K, M or G.
std::size_t ParseBytes(const std::string& text, std::size_t lowest, std::size_t highest,
                       const std::string& what) {
  std::string digits = text;
  int shift = 0;
  if (!digits.empty()) {
    switch (std::toupper(static_cast<unsigned char>(digits.back()))) {
      case 'K': shift = 10; break;
      case 'M': shift = 20; break;
      case 'G': shift = 30; break;
      default: break;
    }
    if (shift != 0) digits.pop_back();
  }
  if (digits.empty() || digits.size() > 12 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    throw ServerOptions::UsageError("not a valid " + what + ": " + text);
  std::size_t value = std::stoull(digits);
  if (value > (highest >> shift) || (value << shift) < lowest)
    throw ServerOptions::UsageError("not a valid " + what + ": " + text);
  return value << shift;
}

}  // namespace

std::string ServerOptions::DefaultDataFolder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return "vek-devdb";
  return std::string(home) + "/.local/share/vek-devdb";
}

std::string ServerOptions::Usage() {
  return "usage: devdb [--listen [HOST:]PORT] [--data DIR | --memory] [--banner TEXT]\n"
         "             [--sys-password PASSWORD] [--bytes-per-character 1..4]\n"
         "             [--logon-timeout SECONDS] [--max-sessions N] [--pipe-memory BYTES]\n"
         "       devdb --run FILE --user USER/PASSWORD [--connect [HOST:]PORT]\n"
         "  --listen               address to listen on (default 127.0.0.1:15210; port 0 picks "
         "one)\n"
         "  --data                 data folder (default $HOME/.local/share/vek-devdb)\n"
         "  --memory               a throwaway instance that keeps nothing\n"
         "  --banner               version banner (default \"" +
         std::string(kDefaultBanner) +
         "\")\n"
         "  --sys-password         password of SYS and SYSTEM in a new database (default manager)\n"
         "  --bytes-per-character  the database character set's width (default 4, as AL32UTF8)\n"
         "  --logon-timeout        seconds a connection may take to log on (default 60)\n"
         "  --max-sessions         sessions at once (default 200)\n"
         "  --pipe-memory          bytes all DBMS_PIPE pipes hold together, with an optional\n"
         "                         K, M or G (default 64M, at least 64K)\n"
         "  --run                  run a script of SQL and PL/SQL (statements end with \";\" or a\n"
         "                         \"/\" line) against a running devdb, stop at the first error\n"
         "  --user                 who runs the script\n"
         "  --connect              the running devdb (default 127.0.0.1:15210)\n";
}

ServerOptions ServerOptions::Parse(const std::vector<std::string>& arguments) {
  ServerOptions options;
  bool dataGiven = false;
  bool userGiven = false;
  bool connectGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (name == "--help" || name == "-h") {
      options.helpWanted = true;
      continue;
    }
    if (name == "--memory") {
      options.inMemory = true;
      continue;
    }
    const bool takesValue = name == "--listen" || name == "--data" || name == "--banner" ||
                            name == "--sys-password" || name == "--bytes-per-character" ||
                            name == "--run" || name == "--user" || name == "--connect" ||
                            name == "--logon-timeout" || name == "--max-sessions" ||
                            name == "--pipe-memory";
    if (!takesValue) throw UsageError("unknown option " + name);
    if (i + 1 >= arguments.size()) throw UsageError("missing value after " + name);
    const std::string& value = arguments[++i];
    if (name == "--run") {
      if (value.empty()) throw UsageError("empty script file name");
      options.runFile = value;
    } else if (name == "--user") {
      const std::string::size_type slash = value.find('/');
      if (slash == std::string::npos || slash == 0)
        throw UsageError("--user wants USER/PASSWORD: " + value);
      options.runUser = value.substr(0, slash);
      options.runPassword = value.substr(slash + 1);
      userGiven = true;
    } else if (name == "--connect") {
      std::string::size_type colon = value.rfind(':');
      std::string port = colon == std::string::npos ? value : value.substr(colon + 1);
      if (colon != std::string::npos) options.connectHost = value.substr(0, colon);
      if (options.connectHost.empty()) throw UsageError("missing host before the colon: " + value);
      options.connectPort = static_cast<std::uint16_t>(ParseInteger(port, 1, 65535, "port"));
      connectGiven = true;
    } else if (name == "--listen") {
      std::string::size_type colon = value.rfind(':');
      std::string port = colon == std::string::npos ? value : value.substr(colon + 1);
      if (colon != std::string::npos) options.host = value.substr(0, colon);
      if (options.host.empty()) throw UsageError("missing host before the colon: " + value);
      options.port = static_cast<std::uint16_t>(ParseInteger(port, 0, 65535, "port"));
    } else if (name == "--data") {
      if (value.empty()) throw UsageError("empty data folder");
      options.dataFolder = value;
      dataGiven = true;
    } else if (name == "--banner") {
      options.banner = value;
    } else if (name == "--logon-timeout") {
      options.logonTimeoutSeconds = ParseInteger(value, 1, 86400, "logon timeout");
    } else if (name == "--max-sessions") {
      options.maxSessions = ParseInteger(value, 1, 100000, "number of sessions");
    } else if (name == "--pipe-memory") {
      options.pipeMemoryBytes =
          ParseBytes(value, std::size_t{64} << 10, std::size_t{1} << 40, "pipe memory size");
    } else if (name == "--sys-password") {
      if (value.empty()) throw UsageError("empty SYS password");
      options.sysPassword = value;
    } else {
      options.bytesPerCharacter = ParseInteger(value, 1, 4, "number of bytes per character");
    }
  }
  if (dataGiven && options.inMemory) throw UsageError("--data and --memory exclude each other");
  if (!options.runFile.empty() && !userGiven) throw UsageError("--run needs --user USER/PASSWORD");
  if (options.runFile.empty() && (userGiven || connectGiven))
    throw UsageError("--user and --connect belong to --run");
  if (!dataGiven && !options.inMemory) options.dataFolder = DefaultDataFolder();
  return options;
}

}  // namespace devdb::server
