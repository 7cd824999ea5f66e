#pragma once

#include <string>
#include <string_view>

namespace tarn::windows {

// Replaces the file at `path` with `bytes` in one step: a temporary file
// beside it, flushed and moved over it, so that a failure leaves the old file
// whole. Throws FileError saying why, the path in UTF-8.
void replaceFile(const std::wstring& path, std::string_view bytes);

}  // namespace tarn::windows
