// Marking components as being read and finishing the read with Loaded.
#include "access/StoredFormReader.h"

namespace vek {

TStoredFormReader::TStoredFormReader(std::vector<TComponent*> components)
    : components_(std::move(components)) {
  for (TComponent* component : components_) component->BeginLoading();
}

TStoredFormReader::~TStoredFormReader() {
  try {
    Finish();
  } catch (...) {
    // A Loaded that raises while the reader is being unwound has nobody left to tell.
  }
}

void TStoredFormReader::Finish() {
  if (finished_) return;
  finished_ = true;
  for (TComponent* component : components_) component->Loaded();
}

}  // namespace vek
