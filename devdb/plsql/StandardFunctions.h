// The functions of Oracle's STANDARD package that PL/SQL expressions use (UPPER, SUBSTR,
// NVL, TO_CHAR, ...), comparison with Oracle's rules, date arithmetic, LIKE matching and
// RAISE_APPLICATION_ERROR.
#pragma once

#include <string>
#include <vector>

#include "devdb/plsql/PlValue.h"

namespace devdb::plsql {

class StandardFunctions {
 public:
  static bool Exists(const std::string& name);
  static PlValue Call(const std::string& name, const std::vector<PlValue>& arguments);
  [[noreturn]] static void RaiseApplicationError(const std::vector<PlValue>& arguments);
  // Orders two non-null values: numbers numerically when either side is a number, dates by
  // time, text by bytes.
  static int Compare(const PlValue& left, const PlValue& right);
  static bool Like(const std::string& text, const std::string& pattern);
  static sql::OracleDate AddDays(const sql::OracleDate& date, double days);
  static double DaysBetween(const sql::OracleDate& later, const sql::OracleDate& earlier);
  static std::string ErrorText(int sqlcode);
};

}  // namespace devdb::plsql
