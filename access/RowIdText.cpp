// Each number of the extended form is written most significant digit first; digits above
// the field's width are dropped.
#include "access/RowIdText.h"

#include <cstdio>

namespace vek {
namespace {

constexpr const char* kBase64Digits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendBase64(std::string& text, std::uint32_t value, int digits) {
  for (int k = digits - 1; k >= 0; --k) {
    std::uint64_t scaled = value;
    for (int i = 0; i < k; ++i) scaled /= 64;
    text += kBase64Digits[scaled % 64];
  }
}

}  // namespace

std::string RowIdText(std::uint32_t objectNumber, std::uint32_t fileNumber,
                      std::uint32_t blockNumber, std::uint32_t rowNumber) {
  if (objectNumber == 0) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%8.8X.%4.4X.%4.4X", blockNumber, rowNumber, fileNumber);
    return buffer;
  }
  std::string text;
  AppendBase64(text, objectNumber, 6);
  AppendBase64(text, fileNumber, 3);
  AppendBase64(text, blockNumber, 6);
  AppendBase64(text, rowNumber, 3);
  return text;
}

}  // namespace vek
