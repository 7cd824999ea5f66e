#include "datafile/code_page.h"

#include <strings.h>

#include <initializer_list>

#include "datafile/platform_text.h"

namespace tarn::datafile {
namespace {

bool named(const std::string& charset, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (strcasecmp(charset.c_str(), name) == 0) return true;
  return false;
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

namespace platform {

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

}  // namespace platform

std::string systemCharset() {
  std::string charset = platform::environmentCharset();
  if (named(charset, {"ANSI_X3.4-1968", "ASCII", "US-ASCII"})) return "UTF-8";
  return charset;
}

std::optional<std::string> encodeText(std::string_view utf8, const std::string& charset) {
  if (named(charset, {"UTF-8", "UTF8"})) return platform::checkedUtf8(utf8);
  // A Shift_JIS locale gets code page 932, the Windows superset that the
  // file's readers on a Japanese system expect.
  const bool shiftJis =
      named(charset, {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI", "CSSHIFTJIS"});
  return platform::fromUtf8(utf8, shiftJis ? "CP932" : charset);
}

std::optional<std::string> dataFileText(std::string_view utf8) {
  const std::string charset = systemCharset();
  std::optional<std::string> text = encodeText(utf8, charset);
  if (!text || !platform::kUtf8WhenTextIsLost) return text;
  const std::string checked = platform::checkedUtf8(utf8);
  if (platform::toUtf8(*text, charset) == checked) return text;
  return std::string(kUtf8Mark) + checked;
}

}  // namespace tarn::datafile
