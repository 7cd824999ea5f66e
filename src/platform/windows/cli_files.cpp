#include <windows.h>

#include "cli/files.h"
#include "windows/files.h"

namespace tarn::cli {

void replaceFile(const std::string& path, std::string_view bytes) {
  // Paths on the command line are in the ANSI code page.
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  windows::replaceFile(wide, bytes);
}

}  // namespace tarn::cli
