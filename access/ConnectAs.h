// The connect-as clause of a logon text (" as SYSDBA", " as SYSOPER"): splitting it off a
// field and converting between the option and its text. Used by the session, the logon
// dialog and the logon history alike.
#pragma once

#include <string>

namespace vek {

enum TConnectAsOption { caNormal = 0, caSYSDBA = 1, caSYSOPER = 2 };

// Finds the first " AS " (any letter case, tabs counting as blanks) in field. When found,
// returns the upper-cased, trimmed mode word after it and leaves in field its own text
// before the clause, trimmed; otherwise returns empty and leaves field alone.
std::string SplitConnectAs(std::string& field);
// caSYSOPER for "SYSOPER", caSYSDBA for "SYSDBA" (any letter case, no trimming), else caNormal.
TConnectAsOption ConnectAsFromText(const std::string& text);
std::string ConnectAsToText(TConnectAsOption option);

}  // namespace vek
