// Windows and controls that are built when first reached, not at start:
// the holder looks like the pointer it stands for, and builds on the first
// use through it. built() tells without building.
#pragma once

#include <functional>
#include <utility>

namespace zarvel {

// One object made by its factory when first used.
template <class T>
class OnDemand {
 public:
  void set_factory(std::function<T*()> make) { make_ = std::move(make); }
  T* get() const {
    if (!p_ && make_) p_ = make_();
    return p_;
  }
  T* operator->() const { return get(); }
  operator T*() const { return get(); }
  T* built() const { return p_; }

 private:
  mutable T* p_ = nullptr;
  std::function<T*()> make_;
};

// A group of controls built together, by one routine, when the first of
// them is used.
class OnDemandGroup {
 public:
  explicit OnDemandGroup(std::function<void()> build) : build_(std::move(build)) {}
  void ensure() {
    if (built_) return;
    built_ = true;  // from here on, so that the routine uses its controls freely
    build_();
  }
  bool built() const { return built_; }

 private:
  std::function<void()> build_;
  bool built_ = false;
};

// A control of such a group.
template <class W>
class OnDemandControl {
 public:
  explicit OnDemandControl(OnDemandGroup* group) : group_(group) {}
  OnDemandControl& operator=(W* w) {
    w_ = w;
    return *this;
  }
  W* get() const {
    group_->ensure();
    return w_;
  }
  W* operator->() const { return get(); }
  operator W*() const { return get(); }
  W* built() const { return w_; }

 private:
  OnDemandGroup* group_;
  W* w_ = nullptr;
};

}  // namespace zarvel
