// A DATE shown as text in a session's date format, as Oracle does when a DATE column is
// fetched into a character buffer. Understands the format elements that date formats in
// practice use; anything else is copied as it stands.
#pragma once

#include <string>

#include "devdb/protocol/WireTypes.h"

namespace devdb::oci {

class DateText {
 public:
  static constexpr const char* kDefaultFormat = "DD-MON-RR";

  // Elements: YYYY, RRRR, YY, RR, MM, MONTH, MON, DD, HH24, HH12, HH, MI, SS, AM, PM and
  // "quoted text"; the case of MON and MONTH follows the element's case ("Mon" -> "Dec").
  static std::string Format(const protocol::WireDate& date, const std::string& format);
};

}  // namespace devdb::oci
