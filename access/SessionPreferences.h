// TSessionPreferences: the settings of a session that shape how values are fetched and bound
// (number precision limits, line-break conversion, null dates) and whether the session may
// use the version-8 interface at all. Owned by its session, which guards UseOCI7.
#pragma once

#include <cstdint>

namespace vek {

class TErrorReportingSession;

class TSessionPreferences {
 public:
  // session: the owner whose connection guards UseOCI7 (none for a free-standing copy);
  // maxStringFieldSize: its initial value, which depends on the session's owner.
  explicit TSessionPreferences(const TErrorReportingSession* session = nullptr,
                               std::int32_t maxStringFieldSize = 0);
  TSessionPreferences(const TSessionPreferences&) = delete;
  // Copies all nine values, UseOCI7 through its guarded setter.
  TSessionPreferences& operator=(const TSessionPreferences& other);

  std::int32_t FloatPrecision = 0;    // 0: no limit
  std::int32_t IntegerPrecision = 0;  // 0: 9, or 10 in ODBC mode
  std::int32_t SmallIntPrecision = -1;
  bool ConvertCRLF = true;
  bool TrimStringFields = true;
  std::int32_t MaxStringFieldSize = 0;
  bool ZeroDateIsNull = true;
  bool NullLOBIsEmpty = false;

  bool UseOCI7() const { return useOCI7_; }
  // Raises "Cannot change UseOCI7 property when session is connected" for a change while
  // the session is connected.
  void SetUseOCI7(bool value);

 private:
  const TErrorReportingSession* session_;
  bool useOCI7_ = false;
};

}  // namespace vek
