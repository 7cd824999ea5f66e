#include "ui/win32/plot_box.h"

#include "report/png.h"
#include "report/raster.h"
#include "ui/control_table.h"
#include "windows/files.h"
#include "windows/text.h"

namespace tarn {
namespace {

constexpr wchar_t kPlotClass[] = L"TarnviewPlot";

}  // namespace

PlotBox::PlotBox() {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.lpszClassName = kPlotClass;
  RegisterClassExW(&type);  // fails harmlessly when registered before
}

HWND PlotBox::create(HWND parent, int id) {
  // A scale label reaching over the box stays in front of it.
  window_ = CreateWindowExW(0, kPlotClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 1, 1,
                            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), this);
  return window_;
}

void PlotBox::clear() { draw({}); }

void PlotBox::draw(std::vector<Trace> traces) {
  traces_ = std::move(traces);
  stale_ = true;
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK PlotBox::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* box = static_cast<PlotBox*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
  }
  auto* box = reinterpret_cast<PlotBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the picture covers every pixel
    case WM_PAINT:
      if (box) {
        box->paint();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

bool PlotBox::savePicture(const std::string& path) {
  rasterise();
  try {
    windows::replaceFile(windows::wide(path), pngOf(pixels_, columns_, rows_));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void PlotBox::rasterise() {
  RECT client;
  GetClientRect(window_, &client);
  if (!stale_ && client.right == columns_ && client.bottom == rows_) return;
  columns_ = client.right;
  rows_ = client.bottom;
  pixels_ = pixelsOf(traces_, PixelGrid{columns_, rows_, static_cast<float>(kPictureWidth),
                                        static_cast<float>(kPictureHeight)});
  stale_ = false;
}

void PlotBox::paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(window_, &ps);
  rasterise();
  if (!pixels_.empty()) {
    BITMAPINFO picture{};
    picture.bmiHeader.biSize = sizeof picture.bmiHeader;
    picture.bmiHeader.biWidth = columns_;
    picture.bmiHeader.biHeight = -rows_;  // top row first
    picture.bmiHeader.biPlanes = 1;
    picture.bmiHeader.biBitCount = 32;
    picture.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(columns_), static_cast<DWORD>(rows_), 0, 0, 0,
                      static_cast<UINT>(rows_), pixels_.data(), &picture, DIB_RGB_COLORS);
  }
  EndPaint(window_, &ps);
}

}  // namespace tarn
