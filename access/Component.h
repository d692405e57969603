// TComponent: the little of a GUI framework's component that the access layer leans on: a
// name, an owner that frees what it owns, free notification between components, and the
// component state (being read from a stored form, being designed, being destroyed).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vek {

enum TComponentStateFlag : unsigned {
  csLoading = 1,     // being read from a stored form
  csDesigning = 2,   // living in a design tool
  csDestroying = 4,  // its destructor has begun
};

enum TOperation { opInsert, opRemove };

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TComponent* Owner() const { return owner_; }
  // The class name of the owner's parent class as the framework would report it; empty here.
  virtual std::string ParentClassName() const { return {}; }

  unsigned ComponentState() const { return state_; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsDesigning() const { return (state_ & csDesigning) != 0; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }
  void SetDesigning(bool designing);

  // The stored-form reader marks a component as being read, applies its stored settings, and
  // calls Loaded once the whole form is read. Loaded clears the mark; overrides call it first.
  void BeginLoading() { state_ |= csLoading; }
  virtual void Loaded() { state_ &= ~csLoading; }

  // Asks that `other` be told through Notification when this component is destroyed; the
  // bond is dropped when either of the two goes first.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // Creates a component that this one owns and frees, the last created first.
  template <class T, class... Arguments>
  T& CreateOwned(Arguments&&... arguments) {
    auto component = std::make_unique<T>(this, std::forward<Arguments>(arguments)...);
    T& created = *component;
    owned_.push_back(std::move(component));
    return created;
  }

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // A derived destructor calls this first, so that what it triggers sees the state.
  void Destroying() { state_ |= csDestroying; }

 private:
  std::string name_;
  TComponent* owner_;
  unsigned state_ = 0;
  std::vector<TComponent*> notified_;  // told when this one goes
  std::vector<TComponent*> watched_;   // this one is told when they go
  std::vector<std::unique_ptr<TComponent>> owned_;
};

}  // namespace vek
