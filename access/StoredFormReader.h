// TStoredFormReader: how a window applies the settings it stored for its components. Every
// component is marked as being read first, the window then assigns the stored values through
// the ordinary setters in published order (so that a session's DesignConnection is in force
// before its logon values and Connected arrive), and Finish calls Loaded on each component
// once all of them have their values.
#pragma once

#include <vector>

#include "access/Component.h"

namespace vek {

class TStoredFormReader {
 public:
  explicit TStoredFormReader(std::vector<TComponent*> components);
  // Calls Finish if the caller did not.
  ~TStoredFormReader();
  TStoredFormReader(const TStoredFormReader&) = delete;
  TStoredFormReader& operator=(const TStoredFormReader&) = delete;

  // Calls Loaded on every component in the order given; only once.
  void Finish();

 private:
  std::vector<TComponent*> components_;
  bool finished_ = false;
};

}  // namespace vek
