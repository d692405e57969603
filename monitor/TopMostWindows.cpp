// Changing a window's stays-on-top flag makes Qt recreate the native window, which hides
// it; a window that was visible is shown again at once.
#include "monitor/TopMostWindows.h"

#include <QApplication>

namespace vek::monitor {

int TopMostWindows::level_ = 0;
std::vector<QPointer<QWidget>> TopMostWindows::taken_;

void TopMostWindows::SetStaysOnTop(QWidget* window, bool onTop) {
  const bool visible = window->isVisible();
  window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (visible) window->show();
}

void TopMostWindows::Normalize() {
  if (level_ == 0) {
    taken_.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        taken_.emplace_back(window);
        SetStaysOnTop(window, false);
      }
    }
  }
  ++level_;
}

void TopMostWindows::Restore() {
  if (level_ == 0) return;  // an unmatched give-back has nothing to give
  if (--level_ > 0) return;
  for (const QPointer<QWidget>& window : taken_) {
    if (window) SetStaysOnTop(window, true);
  }
  taken_.clear();
}

int TopMostWindows::Level() { return level_; }

}  // namespace vek::monitor
