#include "windows/files.h"

#include <windows.h>

#include <algorithm>

#include "datafile/save.h"
#include "windows/text.h"

namespace tarn::windows {

void replaceFile(const std::wstring& path, std::string_view bytes) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw FileError(utf8(path) + " is not a file");
  const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw FileError(utf8(path) + ": " + systemMessage(GetLastError()));
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
  if (!error && !MoveFileExW(temporary.c_str(), path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error) {
    DeleteFileW(temporary.c_str());
    throw FileError(utf8(path) + ": " + systemMessage(error));
  }
}

}  // namespace tarn::windows
