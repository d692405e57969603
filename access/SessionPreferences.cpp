// Copying preferences and the UseOCI7 guard.
#include "access/SessionPreferences.h"

#include "access/AccessTexts.h"
#include "access/ErrorReportingSession.h"
#include "platform/Exception.h"

namespace vek {

TSessionPreferences::TSessionPreferences(const TErrorReportingSession* session,
                                         std::int32_t maxStringFieldSize)
    : MaxStringFieldSize(maxStringFieldSize), session_(session) {}

TSessionPreferences& TSessionPreferences::operator=(const TSessionPreferences& other) {
  if (this == &other) return *this;
  FloatPrecision = other.FloatPrecision;
  IntegerPrecision = other.IntegerPrecision;
  SmallIntPrecision = other.SmallIntPrecision;
  SetUseOCI7(other.useOCI7_);
  ConvertCRLF = other.ConvertCRLF;
  TrimStringFields = other.TrimStringFields;
  MaxStringFieldSize = other.MaxStringFieldSize;
  ZeroDateIsNull = other.ZeroDateIsNull;
  NullLOBIsEmpty = other.NullLOBIsEmpty;
  return *this;
}

void TSessionPreferences::SetUseOCI7(bool value) {
  if (value == useOCI7_) return;
  if (session_ && session_->Connected()) {
    throw Exception(access_texts::kCannotChangeUseOCI7);
  }
  useOCI7_ = value;
}

}  // namespace vek
