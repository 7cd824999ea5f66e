#include "ui/win32/program.h"

#include <string>
#include <string_view>

#include "common/system_clock.h"
#include "ui/presenter.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/main_window.h"
#include "ui/win32/windows_api.h"
#include "windows/serial_port.h"

namespace tarn {
namespace {

// True when the only argument is --version.
bool versionAsked() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const bool asked = argv != nullptr && argc == 2 && std::wstring_view(argv[1]) == L"--version";
  LocalFree(argv);
  return asked;
}

// The program's name and version on one line. A window has no console of its
// own: the line goes to the standard output it was handed (a pipe, a file,
// a console), else to the console of the program that started it, else into
// a message box.
int showVersion(const wchar_t* name) {
  const std::wstring line = std::wstring(name) + L" " + L"" TARNVIEW_VERSION L"\r\n";
  const std::string bytes(line.begin(), line.end());  // the name and version are ASCII
  DWORD written = 0;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN &&
      WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0)
    return 0;
  if (AttachConsole(ATTACH_PARENT_PROCESS) != 0) {
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    const bool shown = console != INVALID_HANDLE_VALUE &&
                       WriteConsoleW(console, line.data(), static_cast<DWORD>(line.size()),
                                     &written, nullptr) != 0;
    if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
    if (shown) return 0;
  }
  MessageBoxW(nullptr, line.substr(0, line.size() - 2).c_str(), name, MB_OK | MB_ICONINFORMATION);
  return 0;
}

}  // namespace

int runProgram(std::span<const BoardProfile> boards, const wchar_t* name) {
  if (versionAsked()) return showVersion(name);
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  MainWindow window(boards.size() == 1);
  // The reader thread only asks the window to take what arrived.
  windows::SerialPort port([&window] { window.portChanged(); });
  SystemClock clock;
  Win32SaveDialog dialog(window.handle());
  Win32MessageBox messages(window.handle());
  Win32FileStore files;
  Win32Opener opener;
  Presenter presenter(PresenterSeams{port, clock, window.plot(), dialog, messages, files, opener},
                      boards);
  window.bind(presenter, port);
  const int status = window.run();
  port.close();  // before the window the reader tells goes
  return status;
}

}  // namespace tarn
