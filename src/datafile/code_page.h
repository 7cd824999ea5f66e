#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::datafile {

// The character set the user's environment names for text (LC_ALL, LC_CTYPE,
// LANG). It is read apart from the program's own locale because the toolkit
// switches that to UTF-8 at start-up. The plain C locale's ASCII is taken as
// UTF-8: it holds none of the file's Japanese texts. On Windows it is the
// active ANSI code page, "CP932" on a Japanese system.
std::string systemCharset();

// `utf8` in `charset`. A character the charset cannot hold, or a byte that is
// not UTF-8, becomes one "?" each, as the old program's ANSI conversion wrote
// it; the file stays readable text. Shift_JIS is written as code page 932.
// Empty when the charset is unknown.
std::optional<std::string> encodeText(std::string_view utf8, const std::string& charset);

// Begins a UTF-8 file that Windows programs are to read as UTF-8.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The data file's bytes for its text: in the system's character set. On
// Windows, whose ANSI code pages hold no Japanese but 932, text the code page
// cannot hold is written as UTF-8 after kUtf8Mark instead, and no character
// becomes "?". Empty when the charset is unknown.
std::optional<std::string> dataFileText(std::string_view utf8);

}  // namespace tarn::datafile
