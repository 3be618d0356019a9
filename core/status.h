// Status and Result: how the library reports failure. Nothing the library does throws across its
// boundary; every fallible call returns one of these and the caller must look at it.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace hxf {

class [[nodiscard]] Status {
 public:
  enum class Code {
    kOk,
    kNotFound,         // the file or directory does not exist
    kBusy,             // another job holds the file open
    kPermission,       // the file system refused access
    kNoSpace,          // the disk or a size limit is full
    kIoError,          // any other failure of the operating system
    kCorruption,       // the bytes do not form a valid package
    kInvalidArgument,  // the request itself cannot be carried out (a name the format cannot hold)
    kCancelled,        // the job was asked to stop
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(Code code, std::string message) { return Status(code, std::move(message)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  // Names the file concerned and the reason, ready to show to a user.
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

// A value or the Status that explains why there is none.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}        // NOLINT: implicit by design
  Result(Status status) : state_(std::move(status)) {  // NOLINT: implicit by design
    assert(!std::get<Status>(state_).ok());
  }

  bool ok() const { return std::holds_alternative<T>(state_); }
  const Status& status() const {
    static const Status kOk;
    return ok() ? kOk : std::get<Status>(state_);
  }
  T& value() & { return std::get<T>(state_); }
  const T& value() const& { return std::get<T>(state_); }
  T&& value() && { return std::get<T>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }

 private:
  std::variant<T, Status> state_;
};

}  // namespace hxf
