#include "ui/win32/program.h"

#include "common/system_clock.h"
#include "ui/presenter.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/main_window.h"
#include "ui/win32/windows_api.h"
#include "windows/serial_port.h"

namespace tarn {

int runProgram(std::span<const BoardProfile> boards) {
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
