// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>

// A value that one thread replaces while others read it: readers get the old or
// the new value whole, never a mix, and keep it for as long as they hold it.
template <class T> class TSnapshot {
public:
  TSnapshot() : FValue(std::make_shared<const T>()) {}
  explicit TSnapshot(T value) : FValue(std::make_shared<const T>(std::move(value))) {}

  std::shared_ptr<const T> Get() const {
    std::lock_guard lock(FLock);
    return FValue;
  }
  void Set(T value) {
    auto replacement = std::make_shared<const T>(std::move(value));
    std::lock_guard lock(FLock);
    FValue.swap(replacement);
  }

private:
  mutable std::mutex FLock; // guards the pointer FValue; the value itself never changes
  std::shared_ptr<const T> FValue;
};
