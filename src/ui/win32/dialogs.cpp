#include "ui/win32/dialogs.h"

#include <vector>

#include "windows/files.h"
#include "windows/text.h"

namespace tarn {
namespace {

using windows::utf8;
using windows::wide;

std::wstring_view trimmed(std::wstring_view text) {
  while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
  return text;
}

// "(CSVファイル) | *.csv" — description and pattern pairs split by "|" — as
// the dialog takes them: each part ended by a NUL, the whole by another.
std::wstring dialogFilter(const std::string& filter) {
  std::wstring out;
  const std::wstring parts = wide(filter);
  for (size_t start = 0; start <= parts.size();) {
    const size_t bar = std::min(parts.find(L'|', start), parts.size());
    out.append(trimmed(std::wstring_view(parts).substr(start, bar - start))).push_back(L'\0');
    start = bar + 1;
  }
  return out;
}

// The program's own path.
std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size())
    path.resize(path.size() * 2);
  path.resize(length);
  return path;
}

// The running program's file name without its folder and extension.
std::wstring programName() {
  std::wstring name = modulePath();
  name.erase(0, name.find_last_of(L"\\/") + 1);
  return name.substr(0, name.rfind(L'.'));
}

int showMessage(HWND owner, const std::string& text, UINT buttons) {
  const std::wstring title = programName();
  return ::MessageBoxW(owner, wide(text).c_str(), title.c_str(), buttons);
}

// The common file dialog's settings: the owner, the request's filter, folder
// and title, the buffer for the chosen path(s) and the flags.
struct FileDialog {
  FileDialog(HWND owner, const SaveRequest& request, std::vector<wchar_t>& file, DWORD flags)
      : filter(dialogFilter(request.filter)),
        title(wide(request.title)),
        folder(wide(request.folder)) {
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = flags;
  }
  FileDialog(const FileDialog&) = delete;
  FileDialog& operator=(const FileDialog&) = delete;
  const std::wstring filter, title, folder;
  OPENFILENAMEW dialog{};
};

}  // namespace

std::optional<std::string> Win32SaveDialog::askSavePath(const SaveRequest& request) {
  std::vector<wchar_t> file(32768, L'\0');
  wide(request.offered).copy(file.data(), file.size() - 1);
  FileDialog shown(owner_, request, file,
                   OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER);
  if (!GetSaveFileNameW(&shown.dialog) || file[0] == L'\0') return std::nullopt;
  return utf8(file.data());
}

std::optional<std::string> Win32SaveDialog::askFolder(const SaveRequest& request) {
  // The dialog is a COM object, and COM is started on the window's thread
  // for as long as it is shown.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::optional<std::string> folder;
  IFileOpenDialog* dialog = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&dialog)))) {
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(wide(request.title).c_str());
    IShellItem* start = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(wide(request.folder).c_str(), nullptr,
                                              IID_PPV_ARGS(&start)))) {
      dialog->SetFolder(start);
      start->Release();
    }
    IShellItem* chosen = nullptr;
    if (SUCCEEDED(dialog->Show(owner_)) && SUCCEEDED(dialog->GetResult(&chosen))) {
      PWSTR path = nullptr;
      if (SUCCEEDED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        folder = utf8(path);
        CoTaskMemFree(path);
      }
      chosen->Release();
    }
    dialog->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return folder;
}

std::vector<std::string> Win32SaveDialog::askOpenPaths(const SaveRequest& request) {
  std::vector<wchar_t> names(65536, L'\0');
  FileDialog shown(owner_, request, names,
                   OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                       OFN_HIDEREADONLY);
  if (!GetOpenFileNameW(&shown.dialog) || names[0] == L'\0') return {};
  // One file: its path. Several: the folder, then each name, each ended by
  // a NUL and the whole by another.
  std::vector<std::wstring> parts;
  for (const wchar_t* part = names.data(); *part != L'\0'; part += parts.back().size() + 1)
    parts.emplace_back(part);
  std::vector<std::string> paths;
  for (size_t i = parts.size() == 1 ? 0 : 1; i < parts.size(); ++i)
    paths.push_back(utf8(parts.size() == 1 ? parts[0] : parts[0] + L"\\" + parts[i]));
  return paths;
}

void Win32MessageBox::tell(const std::string& text) { showMessage(owner_, text, MB_OK); }

bool Win32MessageBox::ask(const std::string& text) {
  return showMessage(owner_, text, MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

int64_t Win32FileStore::fileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return -1;
    throw FileError(path + ": " + windows::systemMessage(error));
  }
  if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
    throw FileError("Not a file: " + path);
  return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

void Win32FileStore::replaceFile(const std::string& path, std::string_view bytes) {
  windows::replaceFile(wide(path), bytes);
}

std::string Win32FileStore::readFile(const std::string& path) {
  const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw FileError(path + ": " + windows::systemMessage(GetLastError()));
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  BOOL read = FALSE;
  while ((read = ReadFile(file, chunk, sizeof chunk, &got, nullptr)) && got > 0)
    bytes.append(chunk, got);
  const DWORD error = read ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  if (error != ERROR_SUCCESS) throw FileError(path + ": " + windows::systemMessage(error));
  return bytes;
}

bool Win32FileStore::folderWritable(const std::string& folder) {
  // Attributes do not tell what the user may write: a file that goes when
  // closed does.
  const std::wstring probe =
      wide(folder) + L"\\.tarnview-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::string Win32FileStore::homeFolder() {
  wchar_t home[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"USERPROFILE", home, MAX_PATH);
  return length > 0 && length < MAX_PATH ? utf8(std::wstring_view(home, length)) : programFolder();
}

std::string Win32FileStore::programFolder() {
  std::wstring path = modulePath();
  return utf8(path.substr(0, path.find_last_of(L"\\/")));
}

bool Win32Opener::open(const std::string& path) {
  // ShellExecuteW's result is above 32 when a program was started for it.
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide(path).c_str(), nullptr,
                                                 nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace tarn
