#pragma once

#include <stdexcept>
#include <string>

namespace tarn {

// A failure raised by a platform control (the serial port, a list, a dialog).
// The number follows the old runtime's error numbers where one exists.
class PlatformError : public std::runtime_error {
 public:
  PlatformError(int number, const std::string& what) : std::runtime_error(what), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

inline constexpr int kErrOverflow = 6;
inline constexpr int kErrInvalidProperty = 380;
inline constexpr int kErrPortOpen = 8005;
inline constexpr int kErrCancel = 32755;
inline constexpr int kErrPathFileAccess = 75;

class OverflowError : public PlatformError {
 public:
  explicit OverflowError(const std::string& what) : PlatformError(kErrOverflow, what) {}
};

}  // namespace tarn
