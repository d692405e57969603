// Free notification and ownership of components.
#include "access/Component.h"

#include <algorithm>

namespace vek {
namespace {

void Erase(std::vector<TComponent*>& list, TComponent* component) {
  list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

}  // namespace

TComponent::TComponent(TComponent* owner) : owner_(owner) {}

TComponent::~TComponent() {
  Destroying();
  while (!owned_.empty()) owned_.pop_back();
  for (TComponent* other : std::vector<TComponent*>(notified_)) {
    Erase(other->watched_, this);
    other->Notification(this, opRemove);
  }
  for (TComponent* other : watched_) Erase(other->notified_, this);
}

void TComponent::SetDesigning(bool designing) {
  if (designing) {
    state_ |= csDesigning;
  } else {
    state_ &= ~csDesigning;
  }
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(notified_.begin(), notified_.end(), other) != notified_.end()) return;
  notified_.push_back(other);
  other->watched_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  Erase(notified_, other);
  if (other) Erase(other->watched_, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

}  // namespace vek
