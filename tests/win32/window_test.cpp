// The Windows programs driven as an automation client drives them, from
// outside: their windows found by class, each control by its control ID,
// clicks, typed text and list choices sent as messages, texts read back.
// Runs under wine against simulated boards that scripts/test links to the
// prefix's COM ports:
//   COM10  pellan2, paced: rate, measurements with the live plot, stop, 200 %
//   COM11  pellan2 --no-pacing --seed 7 --sine 0.5,3: the saved file
//   COM15  the same stream, for the presenter the file is compared with
//   COM13  pellan2 --unplug-at-command 6: Quit while measuring
//   COM14  pellan: tarnview_solo
//   COM5-9 the sweep's rows (support/sweep_rows.h), found by their arguments
// and, in a run of their own (FaultTable.*), one board for each row of the
// fault table (support/board_rows.h) in each window, found by the arguments
// scripts/test started it with (portN.args). COM4 is no port of this system.
// TARNVIEW_BOARD_LOGS names the folder of the boards' logs (port13.log) and
// arguments, TARNVIEW_ARTIFACTS where the screenshots go.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>
#include <utility>

#include "acquisition/acquisition_texts.h"
#include "analysis/analysis_texts.h"
#include "analysis/values.h"
#include "board/board_texts.h"
#include "common/system_clock.h"
#include "datafile/datafile_texts.h"
#include "datafile/saved_file.h"
#include "report/raster.h"
#include "support/board_rows.h"
#include "support/fakes.h"
#include "support/sweep_rows.h"
#include "ui/control_table.h"
#include "ui/presenter.h"
#include "windows/serial_port.h"
#include "windows/text.h"

namespace tarn {
namespace {

namespace at = acquisition_texts;
namespace bt = board_texts;
using windows::utf8;
using windows::wide;
using namespace std::chrono_literals;

// A folder the environment names, as a Windows path ("/tmp" is "Z:\\tmp").
std::string folderOf(const char* variable) {
  const char* unix = std::getenv(variable);
  std::string path = unix ? std::string("Z:") + unix : std::string(".");
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Checks `done` until it holds or a generous deadline has passed.
bool eventually(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::string textOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return utf8(text);
}

// A top-level window of `process` with the class and title given (any for
// ""), and the owner given, if one is.
HWND findWindow(DWORD process, const wchar_t* type, const std::string& title = "",
                HWND owner = nullptr) {
  struct Search {
    DWORD process;
    const wchar_t* type;
    std::string title;
    HWND owner;
    HWND found = nullptr;
  } search{process, type, title, owner};
  EnumWindows(
      [](HWND w, LPARAM l) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(l);
        DWORD owner = 0;
        wchar_t type[64] = {};
        GetWindowThreadProcessId(w, &owner);
        GetClassNameW(w, type, std::size(type));
        if (owner != s.process || std::wstring_view(type) != s.type || !IsWindowVisible(w) ||
            (s.owner && GetWindow(w, GW_OWNER) != s.owner) ||
            (!s.title.empty() && textOf(w) != s.title))
          return TRUE;
        s.found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The screen's pixels under a window's client area, 0x00RRGGBB from the top.
std::vector<uint32_t> screenPixels(HWND window, int& columns, int& rows) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  columns = client.right, rows = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), columns, -rows, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  const HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ was = SelectObject(memory, picture);
  BitBlt(memory, 0, 0, columns, rows, screen, origin.x, origin.y, SRCCOPY);
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + ptrdiff_t{columns} * rows);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  SelectObject(memory, was);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The window as the screen shows it once its last changes are painted: the
// same picture twice in a row.
void saveScreenshot(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  int columns = 0, rows = 0;
  std::vector<uint32_t> pixels, before;
  eventually([&] {
    before = std::exchange(pixels, screenPixels(window, columns, rows));
    return pixels == before;
  });
  const BITMAPINFOHEADER info{sizeof info, columns, -rows, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
  const DWORD size = static_cast<DWORD>(pixels.size() * 4);
  const BITMAPFILEHEADER head{0x4D42, offset + size, 0, 0, offset};
  std::ofstream out(folderOf("TARNVIEW_ARTIFACTS") + "\\" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&head), sizeof head);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(pixels.data()), size);
}

using test::contentOf;
using test::withoutDateLine;

// This process's environment without the variable `name`, as CreateProcessW takes it.
std::wstring environmentWithout(const std::wstring& name) {
  std::wstring block;
  wchar_t* all = GetEnvironmentStringsW();
  for (const wchar_t* v = all; *v; v += std::wcslen(v) + 1)
    if (!std::wstring_view(v).starts_with(name + L"=")) block.append(v).push_back(L'\0');
  FreeEnvironmentStringsW(all);
  return block + L'\0';
}

// One run of a program, its window found; closed at the end if still there.
class Program {
 public:
  // `protocolDeadline`: a reply is waited for 100 ms, as the board promises,
  // not as long as TARNVIEW_REPLY_MS gives a loaded machine.
  explicit Program(const std::string& exe, bool protocolDeadline = false)
      : single_(exe.find("solo") != std::string::npos) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + wide(exe) + L"\"";
    std::wstring environment = protocolDeadline ? environmentWithout(L"TARNVIEW_REPLY_MS") : L"";
    EXPECT_TRUE(CreateProcessW(
        nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
        environment.empty() ? nullptr : environment.data(), nullptr, &startup, &process_));
    EXPECT_TRUE(eventually([this] {
      window_ = findWindow(process_.dwProcessId, L"TarnviewWindow");
      return window_ != nullptr;
    }));
  }
  ~Program() {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  HWND window() const { return window_; }
  DWORD id() const { return process_.dwProcessId; }
  bool ended(DWORD milliseconds) const {
    return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
  }
  HWND control(std::string_view name) const {
    for (const ControlSpec& row : controlTable(single_))
      if (row.name == name) return GetDlgItem(window_, row.controlId);
    ADD_FAILURE() << "no control " << name;
    return nullptr;
  }
  std::string text(std::string_view name) const { return textOf(control(name)); }
  void click(std::string_view name) const { SendMessageW(control(name), BM_CLICK, 0, 0); }
  // Types into a text box or an editable list's box.
  void type(std::string_view name, const std::string& text) const {
    HWND box = control(name);
    if (HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr)) box = edit;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
  }
  void choose(std::string_view name, int index) const {
    HWND list = control(name);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  }
  bool waitFor(std::string_view name, const std::function<bool(const std::string&)>& done) const {
    return eventually([&] { return done(text(name)); });
  }
  bool waitFor(std::string_view name, const std::string& wanted) const {
    const bool seen = waitFor(name, [&](const std::string& t) { return t == wanted; });
    EXPECT_TRUE(seen) << name << " shows \"" << text(name) << "\", not \"" << wanted << "\"";
    return seen;
  }
  // Connects, checks the board and reads its rate.
  void connect(const std::string& port) const {
    type("ComboCommPort", port);
    click("Button1");  // the check runs inside the click
    waitFor("Status", std::string(bt::kRateRead));
  }
  // Starts a measurement and waits until the live plot has drawn.
  void startAndSeeLivePlot(const std::string& count) const {
    type("Text1", count);
    click("SendB2");
    EXPECT_TRUE(eventually([this] {
      return text("Label3") != "---" && text("SendB2") == at::kStop;
    })) << count
        << ": " << text("Status") << ", " << text("Label3") << ", " << text("SendB2");
  }
  // Saves through the dialog at `path`, a new file, or one that holds data
  // when `asked`: the dialog asks before it replaces a file and is answered
  // Yes, then the program asks and is answered No. The program's question.
  std::string save(const std::string& path, bool asked) const {
    PostMessageW(control("Command1"), BM_CLICK, 0, 0);  // the dialog is modal
    HWND dialog = nullptr;
    EXPECT_TRUE(eventually([&] {
      return (dialog = findWindow(id(), L"#32770", datafile_texts::kDialogTitle)) != nullptr;
    }));
    HWND name = GetDlgItem(dialog, cmb13);
    if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
    if (!name) name = GetDlgItem(dialog, edt1);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(path).c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    // The file dialog's own question, not the program's that may follow it at once.
    EXPECT_TRUE(eventually([&] {
      if (HWND box = findWindow(id(), L"#32770", "", dialog))
        PostMessageW(box, WM_COMMAND, IDYES, 0);
      return !IsWindow(dialog);
    }));
    if (!asked) {  // replaced in one step: whole once it is there
      EXPECT_TRUE(eventually([&] { return !contentOf(path).empty(); }));
      return {};
    }
    HWND box = nullptr;
    EXPECT_TRUE(eventually([&] { return (box = findWindow(id(), L"#32770")) != nullptr; }));
    std::string question = textOf(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(eventually([box] { return !IsWindow(box); }));
    return question;
  }

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  bool single_;
};

const std::string kProgramDir = folderOf("TARNVIEW_PROGRAMS");
const std::string kTarnview = kProgramDir + "\\tarnview.exe";
const std::string kSolo = kProgramDir + "\\tarnview_solo.exe";
const std::string kScratch = folderOf("TARNVIEW_SCRATCH");
const std::string kBoardLogs = folderOf("TARNVIEW_BOARD_LOGS");

// The plot box holds the core rasteriser's pixels for the records of `file`.
void expectPlotOf(const Program& program, const std::string& file) {
  const datafile::SavedFile saved = datafile::readDataFile(contentOf(file));
  SampleValues values(saved.settings);
  values.update(saved.records);
  const std::optional<Plot> plot = plotOf(values, kPictureWidth, kPictureHeight);
  ASSERT_TRUE(plot);
  EXPECT_EQ(program.text("Label3"), plot->labels[0]);
  int columns = 0, rows = 0;
  screenPixels(program.control("Picture1"), columns, rows);
  const std::vector<uint32_t> drawn =
      pixelsOf(plot->traces, PixelGrid{columns, rows, float{kPictureWidth}, float{kPictureHeight}});
  // A dialog that closed over the box may leave it to be painted again yet.
  EXPECT_TRUE(eventually([&] {
    return screenPixels(program.control("Picture1"), columns, rows) == drawn;
  })) << "the plot box differs from the rasteriser's picture";
}

TEST(Tarnview, ChoosesTheModelReadsAndSetsTheRate) {
  Program window(kTarnview);
  const auto caption = [&] { return textOf(window.window()); };
  window.click("Option4");
  EXPECT_EQ(caption(), boardByKey("quorin2")->caption);
  window.click("Option3");
  EXPECT_EQ(caption(), boardByKey("pellan2")->caption);
  window.connect("COM10");
  EXPECT_EQ(window.text("ComStatus"), "115200,N,8,1");
  EXPECT_EQ(window.text("Label1"), "±2.5V / IntRef / Sinc5+Sinc1");
  EXPECT_EQ(window.text("Combo1"), "59.52sps");
  EXPECT_FALSE(IsWindowEnabled(window.control("Option4")));  // no model change while connected
  window.choose("Combo1", 9);
  window.click("Command6");
  window.waitFor("Status", bt::kRateSet);
  window.choose("Combo1", 0);
  window.click("Command29");
  window.waitFor("Combo1", "200.3sps");
  window.waitFor("Status", bt::kRateRead);
}

// The keyboard as a user's: Tab and Shift+Tab walk the designed order (a group
// of options at its checked one), Enter presses the focused button.
TEST(Tarnview, TabWalksTheDesignedOrderAndEnterPressesAButton) {
  Program window(kTarnview);
  // Keys go to the foreground window, which a new window is not at once.
  ASSERT_TRUE(eventually([&] {
    SetForegroundWindow(window.window());
    return GetForegroundWindow() == window.window();
  }));
  const auto press = [](std::initializer_list<WORD> keys) {
    std::vector<INPUT> input;
    for (const bool up : {false, true})
      for (const WORD key : keys) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = key;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        input.push_back(i);
      }
    if (!input.empty()) std::reverse(input.begin() + input.size() / 2, input.end());
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  };
  const auto focusIs = [&](std::string_view name) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window.window(), nullptr), &info);
    const HWND control = window.control(name);
    return info.hwndFocus && (info.hwndFocus == control || GetParent(info.hwndFocus) == control);
  };
  // A screen reader names a field by the label just before it.
  EXPECT_EQ(GetWindow(window.control("Text1"), GW_HWNDPREV), window.control("Label2"));
  std::vector<std::string_view> order;
  for (const ControlSpec& row : controlTable(false))
    if (row.kind != ControlKind::Label && row.kind != ControlKind::Frame &&
        row.kind != ControlKind::Picture && row.name != "Option2" && row.name != "Option4")
      order.push_back(row.name);
  for (const std::string_view name : order) {
    press({VK_TAB});
    EXPECT_TRUE(eventually([&] { return focusIs(name); })) << "Tab to " << name;
  }
  for (size_t i = order.size() - 1; i-- > 0;) {
    press({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(eventually([&] { return focusIs(order[i]); })) << "Shift+Tab to " << order[i];
  }
  // Back on the status line: on to the connect button, then Enter; COM4 is no
  // port of this system.
  press({VK_TAB}), press({VK_TAB});
  ASSERT_TRUE(eventually([&] { return focusIs("Button1"); }));
  press({VK_RETURN});
  window.waitFor("ComStatus", bt::kComOpenFailed);
}

// Measurements on a paced board: the plot follows while records arrive,
// and the finished plot is the core's picture of the saved records.
TEST(Tarnview, MeasuresWithTheLivePlotStopsAndSaves) {
  const struct {
    const char* format;
    int channels;
    const char* summary;
  } rows[] = {{"Option1", 2, analysis_texts::kDigitPpBoth},
              {"Option2", 1, analysis_texts::kMvPpCh1}};
  Program window(kTarnview);
  window.connect("COM10");
  window.choose("Combo1", 10);  // 503.8 sps: a second for 500 records
  int run = 0;
  for (const auto& row : rows) {
    window.click(row.format);
    window.choose("Combo2", row.channels);
    window.startAndSeeLivePlot("500");
    const std::string finished = at::kFinished + std::string(row.summary);
    EXPECT_TRUE(window.waitFor("Status", [&](auto& s) { return s.starts_with(finished); }));
    EXPECT_EQ(window.text("SendB2"), at::kStart);
    const std::string path = kScratch + "\\run" + std::to_string(run++) + ".csv";
    window.save(path, false);
    expectPlotOf(window, path);
  }
  saveScreenshot(window.window(), "tarnview");
  window.startAndSeeLivePlot("0");  // until stopped
  window.click("SendB2");
  window.waitFor("Status", at::kStopped);
  window.waitFor("SendB2", at::kStart);
}

TEST(Tarnview, SavesTheFileThePresenterWritesForTheSameStream) {
  Program window(kTarnview);
  window.connect("COM11");
  window.choose("Combo2", 2);
  window.type("Text1", "300");
  window.click("SendB2");
  EXPECT_TRUE(window.waitFor("Status", [](auto& s) { return s.starts_with(at::kFinished); }));
  const std::string path = kScratch + "\\same.csv";
  window.save(path, false);
  // The same steps on the presenter alone, on a board with the same stream.
  windows::SerialPort port;
  SystemClock clock;
  test::RecordingPlot plot;
  test::ScriptedUser user;
  test::MemoryFiles files;
  test::RecordingOpener opener;
  user.paths = {"C:\\same.csv"};
  Presenter alone({port, clock, plot, user, user, files, opener}, currentBoards());
  alone.portList.setText("COM15");
  alone.toggleConnection();
  alone.channelList.setListIndex(2);
  alone.sampleCount.userEdit("300");
  alone.toggleMeasurement();
  while (alone.measuring()) {
    port.waitForInput(clock.now() + 1s);
    alone.received();
  }
  alone.saveData();
  EXPECT_EQ(window.text("Status"), alone.status.text());
  const std::string saved = contentOf(path);
  EXPECT_EQ(datafile::readDataFile(saved).charset, "CP932");  // a Japanese Windows' file
  EXPECT_EQ(withoutDateLine(saved), withoutDateLine(files.files["C:\\same.csv"]));
  // Saving over it asks, and No keeps the file as it was.
  EXPECT_EQ(window.save(path, true), path + datafile_texts::kOverwrite);
  EXPECT_EQ(contentOf(path), saved);
}

TEST(Tarnview, QuitsStoppingTheBoardFirst) {
  Program window(kTarnview);
  window.connect("COM13");
  window.startAndSeeLivePlot("0");
  window.click("QuitB");
  EXPECT_TRUE(window.ended(10000));
  // The board leaves as the sixth command line, the stop, arrives.
  EXPECT_NE(contentOf(kBoardLogs + "\\port13.log").find("at command 6"), std::string::npos);
}

TEST(TarnviewSolo, ConnectsAndMeasures) {
  Program window(kSolo);
  window.connect("COM14");
  window.type("Text1", "200");
  window.click("SendB2");
  EXPECT_TRUE(window.waitFor("Status", [](auto& s) { return s.starts_with(at::kFinished); }));
  saveScreenshot(window.window(), "tarnview_solo");
}

// While it lives, ShellExecute opens an .html file with a command that writes
// the file's path to `record`: the desktop's opener, watched.
class HtmlOpenerStandIn {
 public:
  explicit HtmlOpenerStandIn(const std::string& record) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, L".html", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    wchar_t was[256] = {};
    DWORD size = sizeof was;
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(was), &size) ==
        ERROR_SUCCESS)
      was_ = was;
    setDefault(key, kClass);
    RegCloseKey(key);
    RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kClass) + L"\\shell\\open\\command").c_str(),
                    0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    setDefault(key, L"cmd.exe /c echo %1>\"" + wide(record) + L"\"");
    RegCloseKey(key);
  }
  ~HtmlOpenerStandIn() {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CLASSES_ROOT, L".html", 0, KEY_ALL_ACCESS, &key);
    if (was_.empty())
      RegDeleteValueW(key, nullptr);
    else
      setDefault(key, was_);
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kClass);
  }
  HtmlOpenerStandIn(const HtmlOpenerStandIn&) = delete;
  HtmlOpenerStandIn& operator=(const HtmlOpenerStandIn&) = delete;

 private:
  static constexpr const wchar_t* kClass = L"tarnview.test.html";
  static void setDefault(HKEY key, const std::wstring& value) {
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  std::wstring was_;
};

// Opens the plot box's menu as Shift+F10 does and takes its item `item` (0
// the first) with the arrow keys and Enter.
void choosePlotMenuItem(const Program& program, int item) {
  PostMessageW(program.window(), WM_CONTEXTMENU,
               reinterpret_cast<WPARAM>(program.control("Picture1")), -1);
  HWND menu = nullptr;
  ASSERT_TRUE(eventually([&] { return (menu = findWindow(program.id(), L"#32768")) != nullptr; }));
  for (int i = 0; i <= item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

// The file dialog titled `title`, answered with each of `typed` in turn typed into its name box
// (a folder to go to, then the files).
void answerFileDialog(const Program& program, const std::string& title,
                      const std::vector<std::string>& typed) {
  HWND dialog = nullptr;
  ASSERT_TRUE(
      eventually([&] { return (dialog = findWindow(program.id(), L"#32770", title)) != nullptr; }));
  HWND name = GetDlgItem(dialog, cmb13);
  if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
  if (!name) name = GetDlgItem(dialog, edt1);
  for (const std::string& text : typed) {
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
    // A folder is gone to within the click; the last answer ends the dialog.
    if (&text != &typed.back()) SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  }
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(eventually([&] { return !IsWindow(dialog); }));
}

// The port of the board scripts/test started with `args` (its portN.args; "comN.args" would
// name the port itself), "" for none.
std::string portWith(const std::string& args) {
  for (int n = 1; n <= 16; ++n)
    if (contentOf(kBoardLogs + "\\port" + std::to_string(n) + ".args") == args + "\n")
      return "COM" + std::to_string(n);
  return {};
}

// Another open of `port` fails as a held port's does, not as a missing one's.
bool refused(const std::string& port) {
  const HANDLE handle = CreateFileW(wide("\\\\.\\" + port).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    return false;
  }
  return GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND;
}

// tarnboard's arguments for a row in a window, as scripts/test lists them.
std::string boardArgsOf(const test::Row& row, bool solo) {
  std::string args;
  for (const std::string& arg : test::boardArgs(row, solo ? test::P : test::P2))
    args += (args.empty() ? "" : " ") + arg;
  // Wine opens a port for any number of programs; this board refuses all but one.
  return row.act == test::Act::HeldPort ? args + " --exclusive" : args;
}

// One row of the fault table in one window, on `port`: what the window shows, its buttons, the
// records kept and saved into `file`, and the port after a further click. The problems found.
std::vector<std::string> runRow(const test::Row& row, bool solo, const std::string& port,
                                const std::string& file) {
  using enum test::Act;
  std::vector<std::string> problems;
  const auto check = [&](bool ok, const std::string& what) {
    if (!ok) problems.push_back(what);
  };
  const BoardProfile& board = (solo ? olderBoards() : currentBoards()).front();
  windows::SerialPort holder;
  if (row.act == HeldPort) {
    holder.open(port, board.line);
    if (!eventually([&] { return refused(port); })) return {port + " opens while held"};
  }
  Program window(solo ? kSolo : kTarnview, test::keepsTheDeadline(row));
  window.type("ComboCommPort", port);
  window.click("Button1");
  if (row.act >= Measure) {
    window.type("Text1", "300");
    window.click(row.act == MeasureMv ? "Option2" : "Option1");
    window.choose("Combo2", 2);
    window.click("SendB2");
  }
  // The buttons tell the truth about the port.
  const auto settled = [&](bool open) {
    return window.text("Button1") == (open ? bt::kClose : bt::kConnect) &&
           window.text("SendB2") == at::kStart;
  };
  const auto shown = [&] {
    return window.text("Status") +
           (row.act == Connect ? " | " + window.text("Label1") + " | " + window.text("Combo1")
                               : "");
  };
  const std::regex wanted(row.shown);
  check(eventually([&] { return settled(row.open) && std::regex_match(shown(), wanted); }),
        "shown: \"" + shown() + "\", " + window.text("Button1") + ", " + window.text("SendB2"));
  const bool opened = row.act != HeldPort && row.act != NoDevice;
  check(window.text("ComStatus") == (opened ? board.line.text() : bt::kComOpenFailed),
        "ComStatus: " + window.text("ComStatus"));
  if (row.act == HeldPort) {  // the board takes the close as the next open may come
    holder.close();
    check(eventually([&] {
            return contentOf(kBoardLogs + "\\port" + port.substr(3) + ".log").ends_with(" free\n");
          }),
          "the board still refuses " + port);
  }
  window.click("Button1");
  check(eventually([&] {
          return settled(row.nextOpen) && (!row.nextOpen || window.text("Status") == bt::kRateRead);
        }),
        "the next click: " + window.text("Status") + ", " + window.text("Button1"));
  if (row.kept > 0) {  // every record kept is saved
    window.save(file, false);
    const size_t saved = datafile::readDataFile(contentOf(file)).records.size();
    check(saved == static_cast<size_t>(row.kept), std::to_string(saved) + " records saved");
  }
  return problems;
}

// The rows of the fault table marked for Windows, in both windows, all at
// once, each on a board of its own.
TEST(FaultTable, EveryRowInBothWindows) {
  struct Run {
    const test::Row* row;
    bool solo;
    std::string port;
    std::vector<std::string> problems;
  };
  std::vector<Run> runs;
  for (const test::Row& row : test::kRows)
    for (const bool solo : {false, true}) {
      if (!row.windows || (row.models & (solo ? test::P : test::P2)) == 0) continue;
      const std::string args = boardArgsOf(row, solo);
      runs.push_back({&row, solo, row.act == test::Act::NoDevice ? "COM4" : portWith(args), {}});
      if (runs.back().port.empty())
        runs.back().problems = {"no board " + args + " in scripts/test"};
    }
  std::vector<std::thread> running;
  for (size_t i = 0; i < runs.size(); ++i)
    if (!runs[i].port.empty())
      running.emplace_back([&run = runs[i], i] {
        try {
          run.problems =
              runRow(*run.row, run.solo, run.port, kScratch + "\\row" + std::to_string(i) + ".csv");
        } catch (const std::exception& e) {  // the holder's port, the saved file
          run.problems = {e.what()};
        }
      });
  for (std::thread& thread : running) thread.join();
  for (const Run& run : runs)
    for (const std::string& problem : run.problems)
      ADD_FAILURE() << run.row->name << " (" << (run.solo ? "tarnview_solo" : "tarnview")
                    << "): " << problem;
}

// The message box the program shows, waited for if `expected`: its text, and the box answered OK.
std::string messageShown(const Program& program, bool expected) {
  HWND box = nullptr;
  eventually([&] { return (box = findWindow(program.id(), L"#32770", "tarnview")) || !expected; });
  if (!box) return {};
  const std::string text = textOf(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(eventually([box] { return !IsWindow(box); }));
  return text;
}

// The sweep of every rate from the plot box's menu against each board of the sweep's rows
// (support/sweep_rows.h), the report opened; then two files it kept and one that is no data
// file compared through the open dialog: the page opened names both runs, the third is told.
TEST(TarnviewSweep, SweepsEveryRateAndComparesTheFilesKept) {
  for (const test::SweepRow& row : test::kSweepRows) {
    SCOPED_TRACE(row.name);
    const std::string port = portWith(row.options);
    ASSERT_FALSE(port.empty()) << "no board " << row.options << " in scripts/test";
    const std::string folder = kScratch + "\\sweep" + port, opened = folder + ".opened";
    CreateDirectoryW(wide(folder).c_str(), nullptr);
    const HtmlOpenerStandIn opener(opened);
    Program window(kTarnview);
    window.connect(port);
    const std::string found = window.text("Combo1");
    window.type("Text1", row.count);
    choosePlotMenuItem(window, 2);
    answerFileDialog(window, "全レートのノイズ表", {folder});
    if (row.stop) {
      EXPECT_TRUE(window.waitFor("Status", test::firstRecordsIn));
      window.click("SendB2");
    }
    const std::regex status(row.status);
    EXPECT_TRUE(eventually([&] {
      return std::regex_match(window.text("Status"), status) && !contentOf(opened).empty();
    })) << window.text("Status");
    test::SweepSeen seen{
        window.text("Status"), "", "", false, messageShown(window, !row.told.empty()), {}, {}};
    seen.connect = window.text("Button1");
    seen.measure = window.text("SendB2");
    if (row.open) {  // the board's own rate, read again
      window.click("Command29");
      window.waitFor("Status", bt::kRateRead);
    }
    seen.rateBack = window.text("Combo1") == found;
    WIN32_FIND_DATAW file;
    const HANDLE search = FindFirstFileW(wide(folder + "\\*.*").c_str(), &file);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &file))
      if (!(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        seen.names.push_back(utf8(file.cFileName));
    FindClose(search);
    seen.read = [&](const std::string& name) { return contentOf(folder + "\\" + name); };
    for (const std::string& problem : test::sweepProblems(row, seen)) ADD_FAILURE() << problem;
    EXPECT_TRUE(contentOf(opened).starts_with(folder + "\\report.html")) << contentOf(opened);
    if (row.kept < 2) continue;
    DeleteFileW(wide(opened).c_str());
    choosePlotMenuItem(window, 3);
    answerFileDialog(
        window, "ファイルを比較",
        {folder, '"' + seen.names[0] + "\" \"" + seen.names[1] + "\" \"report.html\""});
    ASSERT_TRUE(eventually([&] { return !contentOf(opened).empty(); }));
    std::string page = contentOf(opened);
    std::erase(page, '"');
    page.erase(page.find_last_not_of(" \r\n") + 1);
    EXPECT_NE(contentOf(page).find(seen.names[0]), std::string::npos) << page;
    EXPECT_NE(contentOf(page).find(seen.names[1]), std::string::npos) << page;
    const std::string told = messageShown(window, true);
    EXPECT_TRUE(
        told.starts_with("データファイルを読み込めませんでした (" + folder + "\\report.html"))
        << told;
    DeleteFileW(wide(page).c_str());
  }
}

// Wine's screen at `dpi` (LogPixels) for the programs started while it lives,
// then the prefix's own 96 again.
class ScreenDpi {
 public:
  explicit ScreenDpi(DWORD dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);
  }
  ~ScreenDpi() {
    RegDeleteValueW(key_, L"LogPixels");
    RegCloseKey(key_);
  }
  ScreenDpi(const ScreenDpi&) = delete;
  ScreenDpi& operator=(const ScreenDpi&) = delete;

 private:
  HKEY key_ = nullptr;
};

// At 200 % the window is the design at twice its size: every control where
// the control table puts it (2 pixels for 15 twips), a label sized to its
// caption from the edge it keeps, and the plot's pixels at the new size.
TEST(Tarnview, LaysOutTheDesignAtTwiceItsSizeAt200Percent) {
  const ScreenDpi dpi(192);
  Program window(kTarnview);
  const auto px = [](int twips) { return twips * 2 / 15; };
  RECT area;
  GetClientRect(window.window(), &area);
  EXPECT_EQ(area.right, px(clientArea(false).width));
  EXPECT_EQ(area.bottom, px(clientArea(false).height));
  const std::span<const ControlSpec> table = controlTable(false);
  for (const ControlSpec& row : table) {
    int left = row.left, top = row.top;
    for (const ControlSpec& frame : table)
      if (frame.name == row.container) left += frame.left, top += frame.top;
    RECT shown;
    GetWindowRect(window.control(row.name), &shown);
    MapWindowPoints(nullptr, window.window(), reinterpret_cast<POINT*>(&shown), 2);
    RECT designed{px(left), px(top), px(left + row.width), px(top + row.height)};
    // A label sized to its caption keeps the edge its alignment points at.
    if (row.autoSize && row.align == Align::Right) designed.left = shown.left;
    if (row.autoSize && row.align == Align::Left) designed.right = shown.right;
    const auto text = [](const RECT& r) {
      return std::to_string(r.left) + "," + std::to_string(r.top) + " to " +
             std::to_string(r.right) + "," + std::to_string(r.bottom);
    };
    EXPECT_TRUE(EqualRect(&shown, &designed))
        << row.name << " at " << text(shown) << ", designed " << text(designed);
  }
  window.connect("COM10");
  window.choose("Combo1", 10);
  window.type("Text1", "300");
  window.click("SendB2");
  EXPECT_TRUE(window.waitFor("Status", [](auto& s) { return s.starts_with(at::kFinished); }));
  const std::string path = kScratch + "\\at200.csv";
  window.save(path, false);
  expectPlotOf(window, path);
  saveScreenshot(window.window(), "tarnview_200");
}

}  // namespace
}  // namespace tarn
