// The table of Oracle error texts (11.2 to 19c wording) used by the development server.
#include "devdb/sql/OracleErrors.h"

#include <cstdio>
#include <map>

namespace devdb::sql {
namespace {

const std::map<int, const char*>& Templates() {
  static const std::map<int, const char*> templates = {
      {1, "unique constraint (%s) violated"},
      {26, "missing or invalid session ID"},
      {27, "cannot kill current session"},
      {28, "your session has been killed"},
      {30, "User session ID does not exist."},
      {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
      {96, "invalid value %s for parameter %s, must be from among %s"},
      {600, "internal error code, arguments: [%s]"},
      {900, "invalid SQL statement"},
      {901, "invalid CREATE command"},
      {902, "invalid datatype"},
      {903, "invalid table name"},
      {904, "%s: invalid identifier"},
      {905, "missing keyword"},
      {906, "missing left parenthesis"},
      {907, "missing right parenthesis"},
      {908, "missing NULL keyword"},
      {909, "invalid number of arguments"},
      {910, "specified length too long for its datatype"},
      {911, "invalid character"},
      {913, "too many values"},
      {917, "missing comma"},
      {918, "column ambiguously defined"},
      {920, "invalid relational operator"},
      {921, "unexpected end of SQL command"},
      {922, "missing or invalid option"},
      {923, "FROM keyword not found where expected"},
      {924, "missing BY keyword"},
      {925, "missing INTO keyword"},
      {926, "missing VALUES keyword"},
      {927, "missing equal sign"},
      {928, "missing SELECT keyword"},
      {932, "inconsistent datatypes: expected %s got %s"},
      {933, "SQL command not properly ended"},
      {934, "group function is not allowed here"},
      {936, "missing expression"},
      {937, "not a single-group group function"},
      {940, "invalid ALTER command"},
      {942, "table or view does not exist"},
      {947, "not enough values"},
      {950, "invalid DROP option"},
      {955, "name is already used by an existing object"},
      {957, "duplicate column name"},
      {960, "ambiguous column naming in select list"},
      {969, "missing ON keyword"},
      {971, "missing SET keyword"},
      {972, "identifier is too long"},
      {975, "date + date not allowed"},
      {979, "not a GROUP BY expression"},
      {984, "column not allowed here"},
      {987, "missing or invalid username(s)"},
      {988, "missing or invalid password(s)"},
      {990, "missing or invalid privilege"},
      {1002, "fetch out of sequence"},
      {1005, "null password given; logon denied"},
      {1008, "not all variables bound"},
      {1012, "not logged on"},
      {1013, "user requested cancel of current operation"},
      {1086, "savepoint '%s' never established in this session or is invalid"},
      {1017, "invalid username/password; logon denied"},
      {1027, "bind variables not allowed for data definition operations"},
      {1031, "insufficient privileges"},
      {1036, "illegal variable name/number"},
      {1045, "user %s lacks CREATE SESSION privilege; logon denied"},
      {1400, "cannot insert NULL into (%s)"},
      {1403, "no data found"},
      {1407, "cannot update (%s) to NULL"},
      {1410, "invalid ROWID"},
      {1418, "specified index does not exist"},
      {1426, "numeric overflow"},
      {1427, "single-row subquery returns more than one row"},
      {1428, "argument '%s' is out of range"},
      {1435, "user does not exist"},
      {1438, "value larger than specified precision allowed for this column"},
      {1446, "cannot select ROWID from, or sample, a view with DISTINCT, GROUP BY, etc."},
      {1465, "invalid hex number"},
      {1476, "divisor is equal to zero"},
      {1481, "invalid number format model"},
      {1722, "invalid number"},
      {1724, "floating point precision is out of range (1 to 126)"},
      {1727, "numeric precision specifier is out of range (1 to 38)"},
      {1728, "numeric scale specifier is out of range (-84 to 127)"},
      {1732, "data manipulation operation not legal on this view"},
      {1740, "missing double quote in identifier"},
      {1741, "illegal zero-length identifier"},
      {1756, "quoted string not properly terminated"},
      {1785, "ORDER BY item must be the number of a SELECT-list expression"},
      {1789, "query block has incorrect number of result columns"},
      {1778, "maximum subquery nesting level exceeded"},
      {1790, "expression must have same datatype as corresponding expression"},
      {1821, "date format not recognized"},
      {1830, "date format picture ends before converting entire input string"},
      {1840, "input value not long enough for date format"},
      {1841, "(full) year must be between -4713 and +9999, and not be 0"},
      {1843, "not a valid month"},
      {1846, "not a valid day of the week"},
      {1847, "day of month must be between 1 and last day of month"},
      {1849, "hour must be between 1 and 12"},
      {1850, "hour must be between 0 and 23"},
      {1851, "minutes must be between 0 and 59"},
      {1852, "seconds must be between 0 and 59"},
      {1855, "AM/A.M. or PM/P.M. required"},
      {1856, "BC/B.C. or AD/A.D. required"},
      {1858, "a non-numeric character was found where a numeric was expected"},
      {1861, "literal does not match format string"},
      {1917, "user or role '%s' does not exist"},
      {1918, "user '%s' does not exist"},
      {1919, "role '%s' does not exist"},
      {1920, "user name '%s' conflicts with another user or role name"},
      {1922, "CASCADE must be specified to drop '%s'"},
      {1927, "cannot REVOKE privileges you did not grant"},
      {1935, "missing user or role name"},
      {1940, "cannot drop a user that is currently connected"},
      {1951, "ROLE '%s' not granted to '%s'"},
      {1952, "system privileges not granted to '%s'"},
      {2003, "invalid USERENV parameter"},
      {2065, "illegal option for ALTER SYSTEM"},
      {2248, "invalid option for ALTER SESSION"},
      {2253, "constraint specification not allowed here"},
      {2260, "table can have only one primary key"},
      {3001, "unimplemented feature"},
      {3095, "expression level is too deep, maximum %s"},
      {12899, "value too large for column %s (actual: %s, maximum: %s)"},
      {14551, "cannot perform a DML operation inside a query"},
      {14552, "cannot perform a DDL, commit or rollback inside a query or DML"},
      {22818, "subquery expressions not allowed here"},
      {28000, "the account is locked"},
      {28001, "the password has expired"},
      {28002, "the password will expire within %s days"},
      {28008, "invalid old password"}
  };
  return templates;
}

}  // namespace

std::string OracleErrors::Text(int code, std::initializer_list<std::string> arguments) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  const auto found = Templates().find(code);
  const std::string pattern = found == Templates().end() ? "%s" : found->second;
  std::string text = prefix;
  auto argument = arguments.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      if (argument != arguments.end()) text += *argument++;
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

SqlError OracleErrors::Make(int code, std::initializer_list<std::string> arguments, int offset) {
  return SqlError(code, Text(code, arguments), offset);
}

SqlError OracleErrors::FromMessage(const std::string& message) {
  if (message.size() > 10 && message.compare(0, 4, "ORA-") == 0 && message[9] == ':') {
    try {
      return SqlError(std::stoi(message.substr(4, 5)), message);
    } catch (const std::exception&) {
    }
  }
  // SQLite's own parser takes less nesting than Oracle's (its stack holds 100 entries): a
  // statement devdb accepted but SQLite cannot parse is beyond what devdb carries out.
  if (message == "parser stack overflow" || message.starts_with("Expression tree is too large"))
    return Make(3001);
  return Make(600, {message});
}

}  // namespace devdb::sql
