// The data file's text on Windows: the active ANSI code page ("CP932" on a
// Japanese system) and the user's locale, through the Windows API.
#include <windows.h>

#include <cctype>
#include <charconv>
#include <climits>

#include "datafile/platform_text.h"

namespace tarn::datafile::platform {
namespace {

// The code page a charset name stands for: "CP932", "windows-1252", "UTF-8".
std::optional<UINT> codePageOf(std::string charset) {
  for (char& c : charset) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (charset == "UTF-8" || charset == "UTF8") return CP_UTF8;
  for (const std::string_view prefix : {"CP", "WINDOWS-"}) {
    if (!charset.starts_with(prefix)) continue;
    const std::string_view digits = std::string_view(charset).substr(prefix.size());
    UINT page = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), page);
    if (ec == std::errc() && end == digits.data() + digits.size() && IsValidCodePage(page))
      return page;
  }
  return std::nullopt;
}

// Well-formed UTF-8 in UTF-16, with one "?" for each character beyond the
// 16-bit plane: the code pages hold none, and "?" stands for a character.
std::wstring utf16Of(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const auto at = [&utf8](size_t i) { return static_cast<unsigned char>(utf8[i]) & 0x3Fu; };
    const size_t length = characterLength(utf8);
    const auto first = static_cast<unsigned char>(utf8[0]);
    if (length == 1) out += static_cast<wchar_t>(first);
    if (length == 2) out += static_cast<wchar_t>((first & 0x1Fu) << 6 | at(1));
    if (length == 3) out += static_cast<wchar_t>((first & 0x0Fu) << 12 | at(1) << 6 | at(2));
    if (length == 4) out += L'?';
    utf8.remove_prefix(length);
  }
  return out;
}

std::wstring wide(std::string_view text, UINT page, DWORD flags) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(page, flags, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(page, flags, text.data(), size, out.data(), length);
  return out;
}

std::string narrow(std::wstring_view text, UINT page) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  // Neither a best fit ("한" as some look-alike) nor anything else but "?"
  // stands in for a character the code page does not hold.
  const DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* mark = page == CP_UTF8 ? nullptr : "?";
  const int length = WideCharToMultiByte(page, flags, text.data(), size, nullptr, 0, mark, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  if (length > 0)
    WideCharToMultiByte(page, flags, text.data(), size, out.data(), length, mark, nullptr);
  return out;
}

}  // namespace

const bool kUtf8WhenTextIsLost = true;

std::string environmentCharset() {
  const UINT page = GetACP();
  return page == CP_UTF8 ? "UTF-8" : "CP" + std::to_string(page);
}

std::optional<std::string> fromUtf8(std::string_view utf8, const std::string& charset) {
  const std::optional<UINT> page = codePageOf(charset);
  if (!page) return std::nullopt;
  // Broken sequences become "?" here, before the code page sees them.
  const std::string checked = checkedUtf8(utf8);
  if (*page == CP_UTF8) return checked;
  return narrow(utf16Of(checked), *page);
}

std::optional<std::string> toUtf8(std::string_view text, const std::string& charset) {
  const std::optional<UINT> page = codePageOf(charset);
  if (!page) return std::nullopt;
  if (text.empty()) return std::string();
  const std::wstring w = wide(text, *page, MB_ERR_INVALID_CHARS);
  if (w.empty()) return std::nullopt;  // not text of that code page
  return narrow(w, CP_UTF8);
}

std::string shortDate(const LocalDateTime& t) {
  SYSTEMTIME day{};
  day.wYear = static_cast<WORD>(t.year);
  day.wMonth = static_cast<WORD>(t.month);
  day.wDay = static_cast<WORD>(t.day);
  wchar_t date[80];
  const int length = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, date,
                                    static_cast<int>(std::size(date)));
  return length > 1 ? narrow(std::wstring_view(date, static_cast<size_t>(length - 1)), CP_UTF8)
                    : std::string();
}

}  // namespace tarn::datafile::platform
