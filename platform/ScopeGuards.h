// Scope guards for the platform's paired actions: a cursor shown through the UI hooks, and a
// change of the working folder. Each guard undoes its action once, when its scope ends, on
// an error's way out as on the normal one; the access layer's guards build on these.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/UiHooks.h"

namespace vek {

// Shows a cursor through the UI hooks in force and puts back the one shown before it.
// crDefault leaves the screen alone.
class ShownCursor {
 public:
  explicit ShownCursor(TCursor cursor)
      : shown_(cursor != crDefault),
        previous_(shown_ ? CurrentUiHooks().ShowCursor(cursor) : crDefault) {}
  ~ShownCursor() {
    if (shown_) CurrentUiHooks().RestoreCursor(previous_);
  }
  ShownCursor(const ShownCursor&) = delete;
  ShownCursor& operator=(const ShownCursor&) = delete;

 private:
  bool shown_;
  TCursor previous_;
};

// Changes the working folder and changes back at the end of the scope, unless Keep was called.
// An empty folder, or one the system refuses, changes nothing.
class WorkingFolderChange {
 public:
  explicit WorkingFolderChange(const std::string& folder)
      : previous_(CurrentDirectory()),
        changed_(!folder.empty() && ChangeCurrentDirectory(folder)) {}
  ~WorkingFolderChange() {
    if (changed_ && !kept_) ChangeCurrentDirectory(previous_);
  }
  WorkingFolderChange(const WorkingFolderChange&) = delete;
  WorkingFolderChange& operator=(const WorkingFolderChange&) = delete;

  bool Changed() const { return changed_; }
  // The working folder before the change.
  const std::string& Previous() const { return previous_; }
  // The process stays in the new folder; someone else changes back later.
  void Keep() { kept_ = true; }

 private:
  std::string previous_;
  bool changed_;
  bool kept_ = false;
};

}  // namespace vek
