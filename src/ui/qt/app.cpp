#include "ui/qt/app.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

#include "common/system_clock.h"
#include "ui/form1.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_datafile.h"
#include "ui/qt/qt_serial.h"

namespace tarn {
namespace {

class QtHost : public Host {
 public:
  explicit QtHost(MainWindow& window) : window_(window) {}
  TwipSize screenSize() override {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.width() * twipsPerPixel(), screen.height() * twipsPerPixel()};
  }
  TwipSize windowOuterSize() override {
    // Before the window is first shown the frame is not known yet; use the
    // style's title bar and frame widths.
    QSize outer = window_.frameGeometry().size();
    if (!window_.isVisible()) {
      const QStyle* style = window_.style();
      const int frame = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
      outer = window_.size() +
              QSize(2 * frame, style->pixelMetric(QStyle::PM_TitleBarHeight) + 2 * frame);
    }
    return {outer.width() * twipsPerPixel(), outer.height() * twipsPerPixel()};
  }
  void doEvents() override { QCoreApplication::processEvents(); }
  void endProgram() override { QCoreApplication::quit(); }
  std::string appFolder() override { return QCoreApplication::applicationDirPath().toStdString(); }

 private:
  MainWindow& window_;
};

}  // namespace

struct App::Parts {
  MainWindow window;
  QtSerial serial;
  SystemClock clock;
  QtHost host{window};
  QtSaveDialog dialog{window};
  QtMsgBox msgBox{window};
  QtFileStore files;
  Form1 form{Seams{serial, clock, window.plot(), host, dialog, msgBox, files}};
};

App::App() : parts_(std::make_unique<Parts>()) {
  Form1& form = parts_->form;
  parts_->window.bind(form);
  parts_->serial.received = [&form] { form.MSComm1_OnComm(); };
  parts_->serial.lost = [&form] { form.MSComm1_PortLost(); };
  parts_->window.closing = [&form] { form.QuitB_Click(); };
  form.Form_Load();
}

App::~App() = default;
Form1& App::form() { return parts_->form; }
MainWindow& App::window() { return parts_->window; }

}  // namespace tarn
