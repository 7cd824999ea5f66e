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

}  // namespace tarn::datafile
