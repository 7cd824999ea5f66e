#pragma once

#include <string>
#include <string_view>

namespace tarn::windows {

// UTF-8, the program's own text, to the UTF-16 of the W functions and back.
std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);

// The system's text for a Windows error code, in UTF-8.
std::string systemMessage(unsigned long error);

}  // namespace tarn::windows
