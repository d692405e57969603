// Taking the always-on-top property from the application's windows and giving it back.
// Requests nest: only the outermost take acts, and only the matching last give-back acts,
// so a modal box shown while the monitor is pushed back does not put it on top again early.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

namespace vek::monitor {

class TopMostWindows {
 public:
  // Takes the property from every top-level window that has it (at nesting level 0 only).
  static void Normalize();
  // Gives it back to the windows it was taken from, when the level returns to 0.
  static void Restore();
  static int Level();

 private:
  static void SetStaysOnTop(QWidget* window, bool onTop);

  static int level_;
  static std::vector<QPointer<QWidget>> taken_;
};

}  // namespace vek::monitor
