// Drives the real logon windows from a test: each time a TLogOnForm is shown modally, the
// next scripted action runs inside its event loop (filling fields, pressing keys, clicking).
// An action that leaves the window open is followed, after a generous bound, by Cancel and a
// failure, so that a broken test ends instead of hanging.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

#include "logon/LogOnForm.h"

namespace vek::testing {

class DialogDriver : public QObject {
 public:
  using Action = std::function<void(TLogOnForm&)>;

  DialogDriver() { qApp->installEventFilter(this); }
  ~DialogDriver() override {
    qApp->removeEventFilter(this);
    EXPECT_TRUE(actions.empty()) << actions.size() << " dialog action(s) never ran";
  }

  std::deque<Action> actions;
  int shows = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* form = qobject_cast<TLogOnForm*>(watched); form && form->isModal()) {
        ++shows;
        QPointer<TLogOnForm> guarded(form);
        const int show = shows;
        QTimer::singleShot(0, this, [this, guarded, show] { RunNext(guarded, show); });
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void RunNext(const QPointer<TLogOnForm>& form, int show) {
    if (!form || !form->isVisible()) return;
    if (actions.empty()) {
      ADD_FAILURE() << "the dialog \"" << form->windowTitle().toStdString()
                    << "\" was shown but no action is left";
      form->reject();
      return;
    }
    Action action = std::move(actions.front());
    actions.pop_front();
    action(*form);
    if (form && form->isVisible()) {
      QTimer::singleShot(20000, this, [this, form, show] {
        if (form && form->isVisible() && shows == show) {
          ADD_FAILURE() << "the dialog stayed open after its action";
          form->reject();
        }
      });
    }
  }
};

}  // namespace vek::testing
