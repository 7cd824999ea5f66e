#include "ui/win32/main_window.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "ui/presenter.h"
#include "windows/serial_port.h"
#include "windows/text.h"

namespace tarn {
namespace {

using windows::utf8;
using windows::wide;

constexpr wchar_t kWindowClass[] = L"TarnviewWindow";
constexpr UINT kPortMessage = WM_APP + 1;  // the port has news
constexpr UINT_PTR kLiveTick = 1;
constexpr UINT_PTR kTextFrame = 2;
// How often a text box follows its control: a frame at 60 Hz.
constexpr std::chrono::milliseconds kFrame{16};
// How often the plot follows a running measurement.
constexpr std::chrono::milliseconds kLiveInterval{250};
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The window's own font: the system's Japanese UI font, the designed ones
// after it.
constexpr std::wstring_view kUiFonts[] = {L"Meiryo UI", L"MS UI Gothic"};
constexpr double kUiFontPoints = 9;

std::wstring text(HWND window) {
  std::wstring out(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  out.resize(static_cast<size_t>(GetWindowTextW(window, out.data(), static_cast<int>(out.size()))));
  return out;
}

int CALLBACK noteFont(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM to) {
  // Vertical-writing faces ("@MS Gothic") are no face for a window.
  if (font->lfFaceName[0] != L'@') reinterpret_cast<std::vector<LOGFONTW>*>(to)->push_back(*font);
  return 1;
}

// The installed faces of a family (English or localised name), or of a
// character set with an empty family.
std::vector<LOGFONTW> fontsOf(const std::wstring& family, BYTE charset) {
  std::vector<LOGFONTW> found;
  LOGFONTW wanted{};
  wanted.lfCharSet = charset;
  family.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  const HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, noteFont, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// The first of `wanted` that is installed; else a Japanese font of the
// pitch asked for that the system has (under wine, whatever fontconfig
// found), else any Japanese one, else the dialog font.
std::wstring chooseFamily(const std::vector<std::wstring>& wanted, bool fixedPitch) {
  for (const std::wstring& family : wanted)
    if (!fontsOf(family, DEFAULT_CHARSET).empty()) return family;
  const std::vector<LOGFONTW> japanese = fontsOf(L"", SHIFTJIS_CHARSET);
  for (const LOGFONTW& font : japanese)
    if (((font.lfPitchAndFamily & 3) == FIXED_PITCH) == fixedPitch) return font.lfFaceName;
  return japanese.empty() ? L"MS Shell Dlg 2" : japanese.front().lfFaceName;
}

std::vector<std::wstring> wideAll(std::span<const std::string_view> names) {
  std::vector<std::wstring> out;
  for (std::string_view name : names) out.push_back(wide(name));
  return out;
}

const wchar_t* classOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
    case ControlKind::Option:
    case ControlKind::Frame:
      return WC_BUTTONW;
    case ControlKind::Combo:
    case ControlKind::DropDownList:
      return WC_COMBOBOXW;
    case ControlKind::TextBox:
      return WC_EDITW;
    case ControlKind::Label:
    case ControlKind::Picture:
      break;
  }
  return WC_STATICW;
}

DWORD styleOf(const ControlSpec& row) {
  switch (row.kind) {
    case ControlKind::Button:
      return BS_PUSHBUTTON | WS_TABSTOP;
    case ControlKind::Option:
      // The presenter checks it: a click only tells it.
      return BS_RADIOBUTTON | WS_TABSTOP;
    case ControlKind::Frame:
      return BS_GROUPBOX;
    case ControlKind::Combo:
      return CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
    case ControlKind::DropDownList:
      return CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    case ControlKind::TextBox:
      return ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    case ControlKind::Label:
      return SS_NOPREFIX | SS_CENTERIMAGE | (row.align == Align::Right ? SS_RIGHT : SS_LEFT) |
             (row.border ? WS_BORDER : 0);
    case ControlKind::Picture:
      break;
  }
  return 0;
}

}  // namespace

MainWindow::MainWindow(bool singleModel) : singleModel_(singleModel) {
  std::vector<std::wstring> ui(std::begin(kUiFonts), std::end(kUiFonts));
  const std::vector<std::wstring> proportional = wideAll(kProportionalFonts),
                                  fixed = wideAll(kFixedFonts);
  ui.insert(ui.end(), proportional.begin(), proportional.end());
  families_[static_cast<int>(FontRole::Default)] = chooseFamily(ui, false);
  families_[static_cast<int>(FontRole::Proportional)] = chooseFamily(proportional, false);
  families_[static_cast<int>(FontRole::Fixed)] = chooseFamily(fixed, true);
  grey_ = CreateSolidBrush(RGB(192, 192, 192));
  create();
}

MainWindow::~MainWindow() {
  if (window_) DestroyWindow(window_);
  for (HFONT font : fonts_) DeleteObject(font);
  DeleteObject(grey_);
}

int MainWindow::px(int twips) const { return MulDiv(twips, static_cast<int>(dpi_), 1440); }

void MainWindow::create() {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  type.hIcon = LoadIconW(type.hInstance, MAKEINTRESOURCEW(1));
  type.lpszClassName = kWindowClass;
  RegisterClassExW(&type);
  window_ = CreateWindowExW(0, kWindowClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                            nullptr, nullptr, type.hInstance, this);
  dpi_ = GetDpiForWindow(window_);
  const std::span<const ControlSpec> table = controlTable(singleModel_);
  // Table order is tab order; a label that names a field comes just before it.
  std::vector<const ControlSpec*> order;
  for (const ControlSpec& row : table) {
    if (!row.labels.empty()) continue;
    for (const ControlSpec& label : table)
      if (label.labels == row.name) order.push_back(&label);
    order.push_back(&row);
  }
  const ControlSpec* previous = nullptr;
  for (const ControlSpec* row : order) {
    HWND control = nullptr;
    if (row->kind == ControlKind::Picture) {
      control = plot_.create(window_, row->controlId);
    } else {
      // Options that follow each other are one group for the arrow keys.
      const bool grouped =
          row->kind == ControlKind::Option && previous && previous->kind == ControlKind::Option;
      control = CreateWindowExW(
          0, classOf(row->kind), wide(row->text).c_str(),
          WS_CHILD | WS_VISIBLE | styleOf(*row) | (grouped ? 0 : WS_GROUP), 0, 0, 1, 1, window_,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(row->controlId)), type.hInstance, nullptr);
    }
    bound_.push_back({row, control});
    previous = row;
  }
  // A scale sized to its caption may reach over the plot and is drawn over
  // it; labels take no focus, so the tab order stays, and a label that names
  // a field stays just before it.
  for (const Bound& bound : bound_)
    if (bound.row->autoSize && bound.row->labels.empty())
      SetWindowPos(bound.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                             nullptr, type.hInstance, nullptr);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(boundNamed("Status").window);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  layout();
}

void MainWindow::makeFonts() {
  for (int role = 0; role < 3; ++role) {
    if (fonts_[role]) DeleteObject(fonts_[role]);
    const double points =
        role == static_cast<int>(FontRole::Default) ? kUiFontPoints : kDesignedFontPoints;
    LOGFONTW font{};
    font.lfHeight = -std::lround(points * dpi_ / 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    font.lfPitchAndFamily =
        role == static_cast<int>(FontRole::Fixed) ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH;
    families_[role].copy(font.lfFaceName, LF_FACESIZE - 1);
    fonts_[role] = CreateFontIndirectW(&font);
  }
}

HFONT MainWindow::fontOf(const ControlSpec& row) const {
  return fonts_[static_cast<int>(row.font)];
}

// Design units to this monitor's pixels: the client area, each control, the
// fonts. Run at creation and whenever the window moves to a monitor of
// another DPI.
void MainWindow::layout() {
  makeFonts();
  const ClientArea area = clientArea(singleModel_);
  RECT outer{0, 0, px(area.width), px(area.height)};
  AdjustWindowRectExForDpi(&outer, kStyle, FALSE, 0, dpi_);
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (Bound& bound : bound_) {
    const ControlSpec& row = *bound.row;
    int left = row.left, top = row.top;
    if (!row.container.empty()) {
      const ControlSpec& frame = *boundNamed(row.container).row;
      left += frame.left;
      top += frame.top;
    }
    SendMessageW(bound.window, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(row)), FALSE);
    int height = px(row.height);
    if (row.kind == ControlKind::Combo || row.kind == ControlKind::DropDownList) {
      // A combo box's height includes its open list; the closed box is
      // sized through its item height, less its borders.
      SendMessageW(bound.window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - 6);
      height *= 10;
    }
    MoveWindow(bound.window, px(left), px(top), px(row.width), height, TRUE);
    if (row.autoSize) fitLabel(bound);
  }
  SendMessageW(toolTip_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[0]), FALSE);
  InvalidateRect(window_, nullptr, TRUE);
}

// A label sized to its caption keeps the edge its alignment points at.
void MainWindow::fitLabel(const Bound& bound) {
  const ControlSpec& row = *bound.row;
  const std::wstring caption = text(bound.window);
  const HDC dc = GetDC(bound.window);
  const HGDIOBJ was = SelectObject(dc, fontOf(row));
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  SelectObject(dc, was);
  ReleaseDC(bound.window, dc);
  const int right = px(row.left + row.width);
  const int left = row.align == Align::Right ? right - size.cx : px(row.left);
  MoveWindow(bound.window, left, px(row.top), size.cx, px(row.height), TRUE);
}

// Centred on the monitor, its top-left corner never outside the work area.
void MainWindow::centre() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT outer;
  GetWindowRect(window_, &outer);
  const RECT whole = monitor.rcMonitor, work = monitor.rcWork;
  const int x =
      std::max(work.left, whole.left + (whole.right - whole.left - (outer.right - outer.left)) / 2);
  const int y =
      std::max(work.top, whole.top + (whole.bottom - whole.top - (outer.bottom - outer.top)) / 2);
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

MainWindow::Bound* MainWindow::boundOf(int id) {
  for (Bound& bound : bound_)
    if (bound.row->controlId == id) return &bound;
  return nullptr;
}

MainWindow::Bound& MainWindow::boundNamed(std::string_view name) {
  for (Bound& bound : bound_)
    if (bound.row->name == name) return bound;
  throw std::logic_error("no control " + std::string(name));
}

template <typename F>
void MainWindow::quietly(F&& change) {
  const bool was = quiet_;
  quiet_ = true;
  change();
  quiet_ = was;
}

void MainWindow::bind(Presenter& presenter, windows::SerialPort& port) {
  presenter_ = &presenter;
  port_ = &port;
  for (Bound& bound : bound_) bindControl(bound);
  presenter.captionChanged = [this, &presenter] {
    SetWindowTextW(window_, wide(presenter.caption).c_str());
  };
  presenter.captionChanged();
  // Quitting closes the port, then the window, which ends the program.
  presenter.quitButton.onClick = [this, &presenter] {
    presenter.quit();
    DestroyWindow(window_);
  };
}

void MainWindow::bindControl(Bound& bound) {
  Control* control = presenter_->control(bound.row->name);
  const HWND w = bound.window;
  const ControlSpec& row = *bound.row;
  if (auto* c = dynamic_cast<Captioned*>(control)) {
    c->viewChanged = [this, c, w, &bound] {
      quietly([&] {
        SetWindowTextW(w, wide(c->caption()).c_str());
        EnableWindow(w, c->enabled());
      });
      if (bound.row->autoSize) fitLabel(bound);
    };
  } else if (dynamic_cast<TextBox*>(control)) {
    // The status line may change with every record, hundreds of times a
    // second; the box, which lays out and paints its text each time, shows
    // the newest text once a frame.
    control->viewChanged = [this, &bound] {
      bound.dirty = true;
      if (textsDue_) return;
      textsDue_ = true;
      SetTimer(window_, kTextFrame, static_cast<UINT>(kFrame.count()), nullptr);
    };
  } else if (auto* cb = dynamic_cast<ComboBox*>(control)) {
    cb->viewChanged = [this, cb, w, &row] {
      quietly([&] {
        bool same = SendMessageW(w, CB_GETCOUNT, 0, 0) == cb->listCount();
        for (int i = 0; same && i < cb->listCount(); ++i) {
          std::wstring item(static_cast<size_t>(SendMessageW(w, CB_GETLBTEXTLEN, i, 0)), L'\0');
          SendMessageW(w, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
          same = item == wide(cb->list(i));
        }
        if (!same) {
          SendMessageW(w, CB_RESETCONTENT, 0, 0);
          for (int i = 0; i < cb->listCount(); ++i)
            SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(cb->list(i)).c_str()));
        }
        SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(cb->listIndex()), 0);
        if (row.kind == ControlKind::Combo) SetWindowTextW(w, wide(cb->text()).c_str());
        EnableWindow(w, cb->enabled());
      });
    };
  } else if (auto* o = dynamic_cast<OptionButton*>(control)) {
    o->viewChanged = [this, o, w] {
      quietly([&] {
        SetWindowTextW(w, wide(o->caption()).c_str());
        SendMessageW(w, BM_SETCHECK, o->value() ? BST_CHECKED : BST_UNCHECKED, 0);
        EnableWindow(w, o->enabled());
        // Tab reaches a group of options at its checked one.
        const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
        SetWindowLongPtrW(w, GWL_STYLE, o->value() ? style | WS_TABSTOP : style & ~WS_TABSTOP);
      });
    };
  }
  if (control && control->viewChanged) control->viewChanged();
}

void MainWindow::showTexts() {
  textsDue_ = false;
  textsShown_ = std::chrono::steady_clock::now();
  KillTimer(window_, kTextFrame);
  for (Bound& bound : bound_) {
    if (!bound.dirty) continue;
    bound.dirty = false;
    auto* box = dynamic_cast<TextBox*>(presenter_->control(bound.row->name));
    quietly([&] {
      SetWindowTextW(bound.window, wide(box->text()).c_str());
      EnableWindow(bound.window, box->enabled());
    });
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(bound.window);
    const std::wstring tip = wide(box->toolTip());
    tool.lpszText = const_cast<wchar_t*>(tip.c_str());
    SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void MainWindow::onCommand(int id, int code) {
  Bound* bound = boundOf(id);
  if (!bound || quiet_ || !presenter_) return;
  Control* control = presenter_->control(bound->row->name);
  if (code == BN_CLICKED) takeTypedText();
  if (auto* c = dynamic_cast<Captioned*>(control); c && code == BN_CLICKED) {
    c->userClick();
  } else if (auto* o = dynamic_cast<OptionButton*>(control); o && code == BN_CLICKED) {
    o->userClick();
  } else if (auto* t = dynamic_cast<TextBox*>(control); t && code == EN_CHANGE) {
    // Whatever changed the text (typing, pasting, an automation client), the
    // presenter follows.
    t->userEdit(utf8(text(bound->window)));
  } else if (auto* cb = dynamic_cast<ComboBox*>(control)) {
    if (code == CBN_EDITCHANGE) cb->userEditText(utf8(text(bound->window)));
    if (code == CBN_SELCHANGE)
      cb->userSelect(static_cast<int>(SendMessageW(bound->window, CB_GETCURSEL, 0, 0)));
  }
}

// A list box's text may change without a word to its window (set by an
// automation client or an input method): a click reads it first.
void MainWindow::takeTypedText() {
  for (const Bound& bound : bound_) {
    auto* combo = dynamic_cast<ComboBox*>(presenter_->control(bound.row->name));
    if (!combo || bound.row->kind != ControlKind::Combo) continue;
    const std::string shown = utf8(text(bound.window));
    if (shown != combo->text()) combo->userEditText(shown);
  }
}

void MainWindow::followMeasurement() {
  const bool measuring = presenter_ && presenter_->measuring();
  if (measuring == ticking_) return;
  ticking_ = measuring;
  if (measuring)
    SetTimer(window_, kLiveTick, static_cast<UINT>(kLiveInterval.count()), nullptr);
  else
    KillTimer(window_, kLiveTick);
}

void MainWindow::tick() {
  lastTick_ = std::chrono::steady_clock::now();
  presenter_->pollSweep();  // a sweep notices a silent board by it, minimised too
  // A minimised window has nothing to show and catches up once restored.
  if (!IsIconic(window_)) presenter_->refreshLivePlot();
}

void MainWindow::portChanged() {
  if (!portPosted_.exchange(true)) PostMessageW(window_, kPortMessage, 0, 0);
}

bool MainWindow::showPlotMenu(HWND target, LPARAM at) {
  const bool keyboard = at == -1;
  if (!keyboard && target != plot_.handle()) return false;
  POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (keyboard) {
    RECT box;
    GetWindowRect(plot_.handle(), &box);
    point = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  }
  const std::vector<MenuItem> items = presenter_->plotMenu();
  const HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < items.size(); ++i)
    AppendMenuW(menu, MF_STRING | (items[i].enabled ? MF_ENABLED : MF_GRAYED), i + 1,
                wide(items[i].text).c_str());
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, point.x,
                                    point.y, 0, window_, nullptr);
  DestroyMenu(menu);
  if (chosen > 0) items[static_cast<size_t>(chosen) - 1].choose();
  return true;
}

LRESULT CALLBACK MainWindow::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT MainWindow::handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      onCommand(LOWORD(w), HIWORD(w));
      followMeasurement();
      return 0;
    case kPortMessage:
      portPosted_ = false;
      if (presenter_) {
        presenter_->received();
        if (port_->failed()) presenter_->portLost();
      }
      // A timer's message waits while others are queued, as they are all the
      // time at a high rate: arrivals run the tick and the frame when due.
      {
        const auto now = std::chrono::steady_clock::now();
        if (textsDue_ && now - textsShown_ >= kFrame) showTexts();
        if (ticking_ && now - lastTick_ >= kLiveInterval) tick();
      }
      followMeasurement();
      return 0;
    case WM_TIMER:
      if (w == kTextFrame) showTexts();
      if (w == kLiveTick) tick();
      followMeasurement();
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Labels, frames and options on the window's face, as in a dialog;
      // the labels designed so on light grey.
      bool grey = false;
      for (const Bound& bound : bound_)
        grey = grey || (bound.window == reinterpret_cast<HWND>(l) && bound.row->greyBack);
      SetBkColor(reinterpret_cast<HDC>(w), grey ? RGB(192, 192, 192) : GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(grey ? grey_ : GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      layout();
      return 0;
    }
    case WM_PAINT:
      if (!painted_ && GetEnvironmentVariableW(L"TARNVIEW_STARTUP_PROBE", nullptr, 0) > 0) {
        // TARNVIEW_STARTUP_PROBE=1: the time from the launch to the end of
        // the first paint, then quit.
        const LRESULT result = DefWindowProcW(window_, message, w, l);
        FILETIME created, unused, now;
        GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
        GetSystemTimePreciseAsFileTime(&now);
        const auto ticks = [](FILETIME t) {
          return static_cast<int64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
        };
        std::printf("first paint %.1f ms after launch\n", (ticks(now) - ticks(created)) / 1e4);
        std::fflush(stdout);
        painted_ = true;
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return result;
      }
      break;
    case WM_CONTEXTMENU:
      if (presenter_ && showPlotMenu(reinterpret_cast<HWND>(w), l)) {
        followMeasurement();  // an item may have started a sweep
        return 0;
      }
      break;
    case WM_CLOSE:
      if (presenter_) presenter_->quit();
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      KillTimer(window_, kLiveTick);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

// Enter presses the focused button, as Space does.
bool MainWindow::pressFocusedButton(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  const HWND focus = GetFocus();
  for (const Bound& bound : bound_) {
    if (bound.window != focus || bound.row->kind != ControlKind::Button) continue;
    SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

int MainWindow::run() {
  centre();
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (pressFocusedButton(message)) continue;
    if (window_ && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace tarn
