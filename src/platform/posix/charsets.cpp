// The data file's text on POSIX systems: iconv, and the environment's locale
// read apart from the program's own.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <ctime>
#include <cwchar>
#include <iterator>

#include "datafile/platform_text.h"

namespace tarn::datafile::platform {
namespace {

class Converter {
 public:
  explicit Converter(const std::string& charset) : cd_(iconv_open(charset.c_str(), "UTF-8")) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const {
    // (iconv_t)-1 is how iconv_open fails.
    return cd_ != reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
  }

  std::string convert(std::string_view utf8) {
    out_.assign(utf8.size() + utf8.size() / 2 + 16, '\0');
    used_ = 0;
    while (!utf8.empty()) {
      if (step(utf8)) continue;
      if (errno == E2BIG) {
        grow();
      } else {  // EILSEQ or EINVAL: not in the charset, or not UTF-8
        const size_t skip = replacedLength(utf8);
        std::string_view mark = "?";
        while (!step(mark) && errno == E2BIG) grow();
        utf8.remove_prefix(skip);
      }
    }
    while (!flush() && errno == E2BIG) grow();
    out_.resize(used_);
    return std::move(out_);
  }

 private:
  // Converts as much of `in` as it can; false with errno set when it stops early.
  bool step(std::string_view& in) {
    char* from = const_cast<char*>(in.data());
    size_t fromLeft = in.size();
    char* to = out_.data() + used_;
    size_t toLeft = out_.size() - used_;
    const size_t result = iconv(cd_, &from, &fromLeft, &to, &toLeft);
    const int error = errno;
    in.remove_prefix(in.size() - fromLeft);
    used_ = out_.size() - toLeft;
    errno = error;
    return result != static_cast<size_t>(-1);
  }
  // Ends a stateful encoding in its initial shift state.
  bool flush() {
    char* to = out_.data() + used_;
    size_t toLeft = out_.size() - used_;
    const size_t result = iconv(cd_, nullptr, nullptr, &to, &toLeft);
    used_ = out_.size() - toLeft;
    return result != static_cast<size_t>(-1);
  }
  void grow() { out_.resize(out_.size() * 2 + 16); }

  iconv_t cd_;
  std::string out_;
  size_t used_ = 0;
};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

const bool kUtf8WhenTextIsLost = false;

// Read apart from the program's own locale because the toolkit switches that
// to UTF-8 at start-up.
std::string environmentCharset() {
  const locale_t env = newlocale(LC_CTYPE_MASK, "", nullptr);
  if (!env) return "UTF-8";  // a locale that is not installed: the C locale
  std::string charset = nl_langinfo_l(CODESET, env);
  freelocale(env);
  return charset;
}

std::optional<std::string> fromUtf8(std::string_view utf8, const std::string& charset) {
  Converter converter(charset);
  if (!converter.ok()) return std::nullopt;
  return converter.convert(utf8);
}

std::optional<std::string> toUtf8(std::string_view text, const std::string& charset) {
  const iconv_t cd = iconv_open("UTF-8", charset.c_str());
  // (iconv_t)-1 is how iconv_open fails.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(text.size() * 3 + 4, '\0');
  char* from = const_cast<char*>(text.data());
  size_t fromLeft = text.size(), toLeft = out.size();
  char* to = out.data();
  const size_t result = iconv(cd, &from, &fromLeft, &to, &toLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - toLeft);
  return out;
}

// The short date in the environment's LC_TIME, whatever the program's own
// locale is. Wide characters keep it apart from the environment's charset;
// wchar_t holds UCS-4 here (glibc).
std::string shortDate(const LocalDateTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = 12;  // far from any daylight-saving gap
  tm.tm_isdst = -1;
  std::mktime(&tm);  // fills the weekday, which some locales' dates show
  locale_t env = newlocale(LC_ALL_MASK, "", nullptr);
  if (!env) env = newlocale(LC_ALL_MASK, "C", nullptr);
  const locale_t previous = uselocale(env);
  wchar_t date[64];
  const size_t length = std::wcsftime(date, std::size(date), L"%x", &tm);
  uselocale(previous);
  freelocale(env);
  std::string text;
  for (size_t i = 0; i < length; ++i) appendUtf8(text, static_cast<char32_t>(date[i]));
  return text;
}

}  // namespace tarn::datafile::platform
