// Component basics: owners free what they own, free notification in both directions, and the
// state flags a stored-form reader sets and clears.
#include <gtest/gtest.h>

#include "access/Component.h"
#include "access/StoredFormReader.h"

namespace vek {
namespace {

class Watcher : public TComponent {
 public:
  using TComponent::TComponent;
  std::vector<TComponent*> removed;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove) removed.push_back(component);
  }
};

class Recorder : public TComponent {
 public:
  Recorder(TComponent* owner, std::vector<std::string>* log, std::string name)
      : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Recorder() override { log_->push_back(Name()); }
  void Loaded() override {
    TComponent::Loaded();
    log_->push_back("loaded " + Name());
  }

 private:
  std::vector<std::string>* log_;
};

TEST(ComponentTest, AnOwnerFreesWhatItOwnsLastCreatedFirst) {
  std::vector<std::string> log;
  {
    TComponent owner;
    owner.CreateOwned<Recorder>(&log, "first");
    Recorder& second = owner.CreateOwned<Recorder>(&log, "second");
    EXPECT_EQ(second.Owner(), &owner);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"second", "first"}));
}

TEST(ComponentTest, FreeNotificationTellsTheWatcherOnceAndForgetsFreedWatchers) {
  Watcher watcher;
  {
    TComponent watched;
    watched.FreeNotification(&watcher);
    watched.FreeNotification(&watcher);
  }
  EXPECT_EQ(watcher.removed.size(), 1u);

  TComponent watched;
  {
    Watcher shortLived;
    watched.FreeNotification(&shortLived);
  }
  // The freed watcher is not told anything when `watched` goes at the end of the test.
}

TEST(ComponentTest, TheFormReaderMarksLoadingAndCallsLoadedInOrder) {
  std::vector<std::string> log;
  TComponent owner;
  Recorder& a = owner.CreateOwned<Recorder>(&log, "a");
  Recorder& b = owner.CreateOwned<Recorder>(&log, "b");
  {
    TStoredFormReader reader({&a, &b});
    EXPECT_TRUE(a.IsLoading());
    EXPECT_TRUE(b.IsLoading());
    reader.Finish();
    reader.Finish();
  }
  EXPECT_FALSE(a.IsLoading());
  EXPECT_EQ(log, (std::vector<std::string>{"loaded a", "loaded b"}));
  log.clear();
}

}  // namespace
}  // namespace vek
