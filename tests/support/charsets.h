#pragma once

#include <iconv.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

namespace tarn::test {

// The user's locale as the environment names it (LC_ALL, and LOCPATH for
// locales built by a test), for the life of this object.
class EnvLocale {
 public:
  explicit EnvLocale(const std::string& name, const std::string& path = "")
      : all_(get("LC_ALL")), path_(get("LOCPATH")) {
    setenv("LC_ALL", name.c_str(), 1);
    if (path.empty()) {
      unsetenv("LOCPATH");
    } else {
      setenv("LOCPATH", path.c_str(), 1);
    }
  }
  ~EnvLocale() {
    restore("LC_ALL", all_);
    restore("LOCPATH", path_);
  }
  EnvLocale(const EnvLocale&) = delete;
  EnvLocale& operator=(const EnvLocale&) = delete;

 private:
  static std::optional<std::string> get(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
  static void restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  std::optional<std::string> all_, path_;
};

// `bytes` in `charset` read back as UTF-8, strictly: a byte the charset does
// not define throws.
inline std::string toUtf8(const std::string& bytes, const char* charset) {
  const iconv_t cd = iconv_open("UTF-8", charset);
  if (cd == reinterpret_cast<iconv_t>(-1))  // NOLINT(performance-no-int-to-ptr)
    throw std::runtime_error(charset);
  std::string out(bytes.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  char* to = out.data();
  size_t inLeft = bytes.size(), outLeft = out.size();
  const size_t result = iconv(cd, &in, &inLeft, &to, &outLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) throw std::runtime_error("not " + std::string(charset));
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace tarn::test
