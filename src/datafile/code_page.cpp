#include "datafile/code_page.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <cerrno>
#include <initializer_list>

namespace tarn::datafile {
namespace {

bool named(const std::string& charset, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (strcasecmp(charset.c_str(), name) == 0) return true;
  return false;
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 character at the start of `s`, 0 if there
// is none (stray, overlong, surrogate or cut-off sequences).
size_t characterLength(std::string_view s) {
  const auto at = [&s](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = at(0);
  if (c < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length || at(1) < low || at(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (!continuation(at(i))) return 0;
  return length;
}

// What a "?" replaces: one character, or a broken sequence with its
// continuation bytes.
size_t replacedLength(std::string_view s) {
  if (const size_t length = characterLength(s)) return length;
  size_t length = 1;
  while (length < s.size() && length < 4 && continuation(static_cast<unsigned char>(s[length])))
    ++length;
  return length;
}

std::string checkedUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    size_t ascii = 0;  // the rows are ASCII: copy runs of it at once
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    out.append(utf8.substr(0, ascii));
    utf8.remove_prefix(ascii);
    if (utf8.empty()) break;
    const size_t length = characterLength(utf8);
    if (length == 0) {
      out += '?';
      utf8.remove_prefix(replacedLength(utf8));
    } else {
      out.append(utf8.substr(0, length));
      utf8.remove_prefix(length);
    }
  }
  return out;
}

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

}  // namespace

std::string systemCharset() {
  const locale_t env = newlocale(LC_CTYPE_MASK, "", nullptr);
  if (!env) return "UTF-8";  // a locale that is not installed: the C locale
  std::string charset = nl_langinfo_l(CODESET, env);
  freelocale(env);
  if (named(charset, {"ANSI_X3.4-1968", "ASCII", "US-ASCII"})) return "UTF-8";
  return charset;
}

std::optional<std::string> encodeText(std::string_view utf8, const std::string& charset) {
  if (named(charset, {"UTF-8", "UTF8"})) return checkedUtf8(utf8);
  // A Shift_JIS locale gets code page 932, the Windows superset that the
  // file's readers on a Japanese system expect.
  const bool shiftJis =
      named(charset, {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI", "CSSHIFTJIS"});
  Converter converter(shiftJis ? "CP932" : charset);
  if (!converter.ok()) return std::nullopt;
  return converter.convert(utf8);
}

}  // namespace tarn::datafile
