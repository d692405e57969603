// Reading the system locale's formats through the C library's langinfo queries.
#include "platform/UserLocale.h"

#include <langinfo.h>
#include <locale.h>

#include <mutex>
#include <optional>

namespace vek {
namespace {

std::mutex& LocaleMutex() {
  static std::mutex mutex;
  return mutex;
}

std::optional<LocaleFormats>& InstalledFormats() {
  static std::optional<LocaleFormats> formats;
  return formats;
}

}  // namespace

std::string PatternFromStrftime(const std::string& pattern) {
  std::string result;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      if (c == '\'') {
        result += "''";
      } else if (std::string("dMyHhmsAaPpt").find(c) != std::string::npos) {
        result += '\'';
        result += c;
        result += '\'';
      } else {
        result += c;
      }
      continue;
    }
    char spec = pattern[++i];
    if (spec == 'E' || spec == 'O') {  // alternative-representation modifiers
      if (i + 1 == pattern.size()) break;
      spec = pattern[++i];
    }
    switch (spec) {
      case 'd': result += "dd"; break;
      case 'e': result += "d"; break;
      case 'm': result += "MM"; break;
      case 'b':
      case 'h': result += "MMM"; break;
      case 'B': result += "MMMM"; break;
      case 'y': result += "yy"; break;
      case 'Y': result += "yyyy"; break;
      case 'H': result += "HH"; break;
      case 'k': result += "H"; break;
      case 'I': result += "hh"; break;
      case 'l': result += "h"; break;
      case 'M': result += "mm"; break;
      case 'S': result += "ss"; break;
      case 'p': result += "AP"; break;
      case 'D': result += "MM/dd/yy"; break;
      case 'F': result += "yyyy-MM-dd"; break;
      case 'T': result += "HH:mm:ss"; break;
      case 'R': result += "HH:mm"; break;
      case 'r': result += "hh:mm:ss AP"; break;
      case '%': result += '%'; break;
      default: break;  // weekday names, time zones and the like have no place here
    }
  }
  return result;
}

LocaleFormats SystemLocaleFormats() {
  LocaleFormats formats;
  locale_t system = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (system == static_cast<locale_t>(0)) return formats;
  const std::string date = nl_langinfo_l(D_FMT, system);
  const std::string time = nl_langinfo_l(T_FMT, system);
  const std::string radix = nl_langinfo_l(RADIXCHAR, system);
  freelocale(system);
  if (!date.empty()) formats.shortDateFormat = PatternFromStrftime(date);
  if (!time.empty()) formats.longTimeFormat = PatternFromStrftime(time);
  if (radix.size() == 1) formats.decimalSeparator = radix[0];
  return formats;
}

LocaleFormats UserLocale() {
  std::lock_guard lock(LocaleMutex());
  auto& formats = InstalledFormats();
  if (!formats) formats = SystemLocaleFormats();
  return *formats;
}

void SetUserLocale(const LocaleFormats& formats) {
  std::lock_guard lock(LocaleMutex());
  InstalledFormats() = formats;
}

ScopedUserLocale::ScopedUserLocale(const LocaleFormats& formats) : previous_(UserLocale()) {
  SetUserLocale(formats);
}

ScopedUserLocale::~ScopedUserLocale() { SetUserLocale(previous_); }

}  // namespace vek
