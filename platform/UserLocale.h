// The user's date, time and number formats, as the variant-to-text conversion needs them.
// Read once from the system locale; the GUI may install its own toolkit's view of the same
// locale, and tests fix a known one so that nothing depends on the machine.
#pragma once

#include <string>

namespace vek {

// Patterns use the common desktop notation: d dd M MM MMM MMMM yy yyyy for dates,
// H HH h hh m mm s ss and AP/ap for times, text in single quotes taken literally.
struct LocaleFormats {
  std::string shortDateFormat = "MM/dd/yy";
  std::string longTimeFormat = "HH:mm:ss";
  char decimalSeparator = '.';
};

// The formats in force; the system's own on first use.
LocaleFormats UserLocale();
void SetUserLocale(const LocaleFormats& formats);

// The formats of the process's system locale (LC_ALL / LC_TIME / LC_NUMERIC / LANG).
LocaleFormats SystemLocaleFormats();

// Turns a C strftime pattern such as "%d.%m.%Y" into the notation above.
std::string PatternFromStrftime(const std::string& strftimePattern);

// Restores the previous formats when it goes out of scope; for tests and tools.
class ScopedUserLocale {
 public:
  explicit ScopedUserLocale(const LocaleFormats& formats);
  ~ScopedUserLocale();
  ScopedUserLocale(const ScopedUserLocale&) = delete;
  ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;

 private:
  LocaleFormats previous_;
};

}  // namespace vek
