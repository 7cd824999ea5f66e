#pragma once

// The pieces of the data file's text that come from the operating system:
// the environment's character set and its conversions, and the short date.
// Each system's charsets.cpp under platform/ holds them: iconv and the C
// library's locales on POSIX systems, code pages and the user's locale on
// Windows.

#include <optional>
#include <string>
#include <string_view>

#include "common/seams.h"

namespace tarn::datafile::platform {

// The name of the character set the user's environment uses for text, as the
// system names it.
std::string environmentCharset();

// `utf8` in `charset`: a "?" for each character the charset cannot hold and
// for each byte sequence that is not UTF-8, as encodeText() promises. Nothing
// when the charset is unknown.
std::optional<std::string> fromUtf8(std::string_view utf8, const std::string& charset);

// `text` of `charset` in UTF-8; nothing when the charset is unknown or the
// text is not text of it.
std::optional<std::string> toUtf8(std::string_view text, const std::string& charset);

// Whether text the environment's charset cannot hold goes to the data file as
// UTF-8 after a byte-order mark (Windows) or as "?"s (POSIX systems, whose
// files carry no mark).
extern const bool kUtf8WhenTextIsLost;

// The user's short date, in UTF-8.
std::string shortDate(const LocalDateTime& t);

// Shared by both systems' conversions (code_page.cpp).
// Length of the well-formed UTF-8 character at the start of `s`, 0 if there
// is none (stray, overlong, surrogate or cut-off sequences).
size_t characterLength(std::string_view s);
// What a "?" replaces: one character, or a broken sequence with its
// continuation bytes.
size_t replacedLength(std::string_view s);
// `utf8` with a "?" for each broken sequence.
std::string checkedUtf8(std::string_view utf8);

}  // namespace tarn::datafile::platform
