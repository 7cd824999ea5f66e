// drive_win32.exe PORT RECORDS: for scripts/screenshots, drives a running
// tarnview.exe from outside as an automation client does (its window found by
// class, each control by its fixed control ID, clicks, text and list choices
// sent as messages): connects to the board on PORT, chooses both channels and
// 65535 records, starts the measurement and waits until RECORDS have arrived.
// Then prints where the window's client area is on the screen,
// "WIDTHxHEIGHT+X+Y" (with no window manager, wine draws no frame), and
// leaves the measurement running. Built with mingw-w64 by scripts/screenshots.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <thread>

namespace {

// The window's control IDs, as src/ui/control_table.cpp lists them.
constexpr int kStatus = 101, kConnect = 104, kStart = 105, kPort = 106, kChannels = 107,
              kCount = 108, kRates = 116;
constexpr int kBothChannels = 2;

std::wstring textOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}

// Checks `done` until it holds; false after `seconds`.
template <class Done>
bool eventually(Done done, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

int fail(const char* what) {
  std::fprintf(stderr, "drive_win32: timed out waiting for %s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: drive_win32 PORT RECORDS\n");
    return 2;
  }
  const int records = _wtoi(argv[2]);
  HWND window = nullptr;
  if (!eventually(
          [&] {
            window = FindWindowW(L"TarnviewWindow", nullptr);
            return window && IsWindowVisible(window);
          },
          60))
    return fail("the window");
  const auto control = [&](int id) { return GetDlgItem(window, id); };
  const auto type = [&](int id, const wchar_t* text) {
    HWND box = control(id);
    if (HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr)) box = edit;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  };

  type(kPort, argv[1]);
  SendMessageW(control(kConnect), BM_CLICK, 0, 0);  // the check runs inside the click
  if (!eventually([&] { return textOf(control(kRates)) != L"---"; }, 30))
    return fail("the board's rate");
  HWND channels = control(kChannels);
  SendMessageW(channels, CB_SETCURSEL, kBothChannels, 0);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(kChannels, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(channels));
  type(kCount, L"65535");
  SendMessageW(control(kStart), BM_CLICK, 0, 0);
  // The status line shows "received/CH0, CH1" while records arrive.
  if (!eventually([&] { return _wtoi(textOf(control(kStatus)).c_str()) >= records; }, 120))
    return fail("the records");
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  std::printf("%ldx%ld+%ld+%ld\n", client.right, client.bottom, origin.x, origin.y);
  return 0;
}
