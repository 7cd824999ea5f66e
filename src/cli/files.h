#pragma once

#include <string>
#include <string_view>

namespace tarn::cli {

// Replaces the file at `path` with `bytes` in one step: a temporary file
// beside it, renamed over it, so that a failure leaves the old file whole.
// Throws FileError saying why. Each system's cli_files.cpp under platform/
// holds it.
void replaceFile(const std::string& path, std::string_view bytes);

// Makes the folder at `path`, and the folders above it, where they are
// missing. Throws FileError saying why, also when `path` is a file.
void makeFolder(const std::string& path);

}  // namespace tarn::cli
