// What the command-line tools share: their exit statuses, the sorting of NAME=value program
// arguments (OCIDLL, ORACLEHOME) from their own, the password asked on the terminal when the
// logon string has none, and the logon with its error report.
#pragma once

#include <ostream>
#include <string>

namespace vek {
class TOracleSession;
}  // namespace vek

namespace vek::tools {

constexpr int kBadArguments = 2;
constexpr int kLogonFailed = 3;

// NAME=value with a plain name: such arguments belong to the program (the client library
// search reads them), not to the tool.
bool IsProgramArgument(const std::string& argument);

// True when a logon string user[/password][@database][ as mode] carries no password.
bool LogonLacksPassword(const std::string& logon);
// The logon string with the password put in its place, the connect-as mode kept at the end.
std::string LogonWithPassword(const std::string& logon, const std::string& password);
// Asks for the password on the terminal without echo ("Password: " on the terminal); without
// a terminal it reads one line of standard input. Returns false when nothing could be read.
bool ReadPassword(std::string& password);

// Logs the session on with the logon string. A failure, such as a wrong password or a client
// library that cannot be loaded (its "Initialization error" text names every step of the
// search), is written to errors and gives false.
bool LogOnReporting(TOracleSession& session, const std::string& logon, std::ostream& errors);

}  // namespace vek::tools
