#include <windows.h>

#include <filesystem>

#include "datafile/save.h"
#include "windows/files.h"
#include "workflow/files.h"

namespace tarn {
namespace {

// Paths on the command line are in the ANSI code page.
std::wstring widePath(const std::string& path) {
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

}  // namespace

void replaceFile(const std::string& path, std::string_view bytes) {
  windows::replaceFile(widePath(path), bytes);
}

void makeFolder(const std::string& path) {
  const std::filesystem::path folder(widePath(path));
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error && !std::filesystem::is_directory(folder, error))
    throw FileError(path + " is no folder");
  if (error) throw FileError(path + ": " + error.message());
}

}  // namespace tarn
