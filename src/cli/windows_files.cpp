#include <windows.h>

#include <algorithm>

#include "cli/files.h"
#include "cli/windows_port.h"
#include "datafile/save.h"

namespace tarn::cli {

void replaceFile(const std::string& path, std::string_view bytes) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw FileError(path + " is not a file");
  const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
  const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw FileError(path + ": " + systemMessage(GetLastError()));
  DWORD error = 0;
  while (!error && !bytes.empty()) {
    DWORD n = 0;
    const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
    if (WriteFile(file, bytes.data(), size, &n, nullptr))
      bytes.remove_prefix(n);
    else
      error = GetLastError();
  }
  if (!error && !FlushFileBuffers(file)) error = GetLastError();
  if (!CloseHandle(file) && !error) error = GetLastError();
  if (!error && !MoveFileExA(temporary.c_str(), path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error) {
    DeleteFileA(temporary.c_str());
    throw FileError(path + ": " + systemMessage(error));
  }
}

}  // namespace tarn::cli
