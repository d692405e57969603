// Oracle DATE values: TO_CHAR and TO_DATE with date format models (English month and day
// names, the RR year rule), the sortable text form dates are stored in, and the day
// arithmetic behind date + n, date - date, TRUNC and ADD_MONTHS.
#pragma once

#include <string>
#include <string_view>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class DateFormat {
 public:
  static constexpr const char* kDefaultFormat = "DD-MON-RR";

  // Throws SqlError 1821 for a format that is not a date format.
  static void Validate(std::string_view format);
  static std::string Format(const OracleDate& date, std::string_view format);
  // Throws SqlError 1861, 1843, 1847, 1850, ... as Oracle does for a text that does not fit.
  // currentYear resolves RR and YY.
  static OracleDate Parse(std::string_view text, std::string_view format, int currentYear);

  // "2024-03-05 14:07:09" (years before 1 carry a minus sign): sorts as the dates do.
  static std::string ToStorage(const OracleDate& date);
  static bool FromStorage(std::string_view text, OracleDate& date);

  // Days since an arbitrary epoch with the time of day as fraction, and back.
  static double ToDays(const OracleDate& date);
  static OracleDate FromDays(double days);
  static OracleDate AddMonths(const OracleDate& date, int months);
  // TRUNC(date, format): DD (default), MM/MON/MONTH, YYYY/YEAR/Y, HH/HH24, MI, Q, D/DAY.
  static OracleDate Truncate(const OracleDate& date, std::string_view format);
  static int DaysInMonth(int year, int month);
  static OracleDate Now();
};

}  // namespace devdb::sql
