// SystemError and Result<T>: how a failed system call reaches its caller.
//
// A SystemError names the step that failed ("cannot create", "cannot rename")
// and keeps the platform's own code for it (errno on POSIX, GetLastError() on
// Windows), taken at the moment of failure; its words come from the platform
// only when they are shown. A Result<T> is a value or the SystemError of the
// step that kept it from being made, as absl's StatusOr is; Result<void> is a
// plain success or failure. Nothing outside src/platform reads or writes
// errno: a caller asks the error it was handed, so no later call can change
// the reason it shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace fennimar {

// What a caller may need to tell apart; every other failure is kOther.
enum class ErrorKind {
  kOther,
  kNotFound,        // no such file or directory
  kExists,          // a file of that name is there already
  kIsDirectory,     // a directory where a file was wanted
  kNotRegularFile,  // a FIFO, device or socket where a file was wanted
};

class SystemError {
 public:
  // The step and the platform's code for the failure.
  SystemError(std::string step, int code) : step_(std::move(step)), code_(code) {}
  // A failure the platform has no code for (a TLS library's, a name lookup's),
  // with the words that tell it.
  static SystemError WithReason(std::string step, std::string reason) {
    SystemError error(std::move(step), 0);
    error.reason_ = std::move(reason);
    return error;
  }
  // A failure of one of the kinds above, found by the program rather than
  // reported by a system call (a FIFO under a file's name, say).
  static SystemError OfKind(std::string step, ErrorKind kind);
  // The step that failed and the platform's code for the failure that the
  // calling thread's last system call left (errno, GetLastError()). For
  // src/platform only, right after the failed call.
  static SystemError Last(std::string step);

  const std::string& step() const { return step_; }
  int code() const { return code_; }
  ErrorKind kind() const;
  // The platform's words for the failure ("Permission denied"), or the
  // reason it was made with.
  std::string Reason() const;
  // "step: reason", for a log or a test's failure message.
  std::string Text() const { return step_ + ": " + Reason(); }

 private:
  std::string step_;
  int code_ = 0;
  std::string reason_;  // set only by WithReason
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(SystemError error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value; only when ok().
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // The failure; only when !ok().
  const SystemError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, SystemError> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(SystemError error) : error_(std::move(error)) {}

  bool ok() const { return !error_; }
  explicit operator bool() const { return ok(); }
  const SystemError& error() const { return *error_; }

 private:
  std::optional<SystemError> error_;
};

}  // namespace fennimar
