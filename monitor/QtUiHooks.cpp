// Qt widgets may only be touched on the main thread: calls from other threads are handed
// over (and, for dialogs, waited for) through the platform's main-thread queue.
#include "monitor/QtUiHooks.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QMetaObject>

#include "monitor/TopMostWindows.h"

namespace vek::monitor {
namespace {

Qt::CursorShape ShapeOf(TCursor cursor) {
  switch (cursor) {
    case crHourGlass: return Qt::WaitCursor;
    case crSQLWait: return Qt::BusyCursor;
    default: return Qt::ArrowCursor;
  }
}

QString Caption(const std::string& caption) {
  return caption.empty() ? QApplication::applicationDisplayName() : QString::fromStdString(caption);
}

}  // namespace

void QtUiHooks::ApplyCursor(TCursor cursor) {
  if (!IsMainThread()) {
    QMetaObject::invokeMethod(qApp, [this, cursor] { ApplyCursor(cursor); }, Qt::QueuedConnection);
    return;
  }
  if (cursor == crDefault) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  } else if (QApplication::overrideCursor()) {
    QApplication::changeOverrideCursor(QCursor(ShapeOf(cursor)));
  } else {
    QApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
  }
}

TCursor QtUiHooks::ShowCursor(TCursor cursor) {
  const TCursor previous = current_;
  current_ = cursor;
  ApplyCursor(cursor);
  return previous;
}

void QtUiHooks::RestoreCursor(TCursor cursor) {
  current_ = cursor;
  ApplyCursor(cursor);
}

void QtUiHooks::ShowMessage(const std::string& text, const std::string& caption) {
  RunOnMainThread([&] {
    TopMostWindows::Normalize();
    QMessageBox::information(QApplication::activeWindow(), Caption(caption),
                             QString::fromStdString(text));
    TopMostWindows::Restore();
  });
}

bool QtUiHooks::AskYesNo(const std::string& text, const std::string& caption) {
  bool yes = false;
  RunOnMainThread([&] {
    TopMostWindows::Normalize();
    yes = QMessageBox::question(QApplication::activeWindow(), Caption(caption),
                                QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
    TopMostWindows::Restore();
  });
  return yes;
}

void QtUiHooks::WakeMainThread() {
  if (!qApp) return;
  QMetaObject::invokeMethod(qApp, [] { ServeMainThreadCalls(); }, Qt::QueuedConnection);
}

}  // namespace vek::monitor
