// The Qt UI hooks: the override cursor follows the access layer's cursor identifiers, a
// worker's call reaches the main thread through the running event loop, and an exception
// escaping an event handler ends in the standard error report instead of the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "monitor/PipewatchApplication.h"
#include "monitor/QtUiHooks.h"

namespace vek::monitor {
namespace {

class RecordingHooks : public PlainUiHooks {
 public:
  explicit RecordingHooks(std::vector<std::string>& messages) : messages_(messages) {}
  void ShowMessage(const std::string& text, const std::string&) override { messages_.push_back(text); }

 private:
  std::vector<std::string>& messages_;
};

TEST(QtUiHooks, BusyCursorIsShownAndThePreviousOneGivenBack) {
  QtUiHooks hooks;
  EXPECT_EQ(hooks.ShowCursor(crSQLWait), crDefault);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  EXPECT_EQ(hooks.ShowCursor(crHourGlass), crSQLWait);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  hooks.RestoreCursor(crDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUiHooks, WorkerCallRunsOnTheMainThreadThroughTheEventLoop) {
  std::atomic<bool> ranOnMain{false};
  QEventLoop loop;
  std::thread worker([&] {
    RunOnMainThread([&] { ranOnMain = IsMainThread(); });
    QMetaObject::invokeMethod(&loop, [&] { loop.quit(); }, Qt::QueuedConnection);
  });
  QTimer::singleShot(10000, &loop, [&] { loop.quit(); });  // a failing test must still end
  loop.exec();
  worker.join();
  EXPECT_TRUE(ranOnMain);
}

TEST(QtUiHooks, ExceptionFromAnEventHandlerIsReportedAndTheProgramGoesOn) {
  std::vector<std::string> messages;
  auto previous = InstallUiHooks(std::make_unique<RecordingHooks>(messages));
  QEventLoop loop;
  QTimer::singleShot(0, qApp, [] { throw std::runtime_error("ORA-00942: table or view does not exist"); });
  QTimer::singleShot(20, &loop, [&] { loop.quit(); });
  loop.exec();
  InstallUiHooks(std::move(previous));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "ORA-00942: table or view does not exist");
}

}  // namespace
}  // namespace vek::monitor
