// A named global cell: a slot that is empty or holds one value, with a name
// used only in the failure raised when an empty cell is read.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace zorm {

// Raised by Global::get on an empty cell; what() is the cell's name.
class GlobalNotInitialized : public std::runtime_error {
 public:
  explicit GlobalNotInitialized(const std::string& name) : std::runtime_error(name) {}
};

template <class T>
class Global {
 public:
  explicit Global(std::string name) : name_(std::move(name)) {}

  void set(T value) { slot_ = std::move(value); }
  const T& get() const {
    if (!slot_) throw GlobalNotInitialized(name_);
    return *slot_;
  }

 private:
  std::optional<T> slot_;
  std::string name_;
};

}  // namespace zorm
