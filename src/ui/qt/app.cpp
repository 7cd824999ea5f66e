#include "ui/qt/app.h"

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "common/system_clock.h"
#include "ui/presenter.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_datafile.h"
#include "ui/qt/qt_serial.h"

namespace tarn {

struct App::Parts {
  explicit Parts(std::span<const BoardProfile> boards)
      : window(boards.size() == 1), boards(boards) {}
  MainWindow window;
  std::span<const BoardProfile> boards;
  QtBytePort port;
  SystemClock clock;
  QtSaveDialog dialog{window};
  QtMessageBox messages{window};
  QtFileStore files;
  XdgOpener opener;
  Presenter presenter{PresenterSeams{port, clock, window.plot(), dialog, messages, files, opener},
                      boards};
  QTimer liveTick;
};

App::App(std::span<const BoardProfile> boards) : parts_(std::make_unique<Parts>(boards)) {
  // A blinking caret would wake the idle window twice a second, for ever.
  QApplication::setCursorFlashTime(0);
#ifdef __GLIBC__
  // The live plot makes and drops its traces, a few hundred KiB, four times a
  // second. By default the C library hands such memory back to the system and
  // the next redraw takes it again, a page fault for every 4 KiB of it: a
  // third of what a redraw of a long measurement costs. Freed memory is now
  // kept for the next one.
  mallopt(M_MMAP_THRESHOLD, 8 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
  Presenter& presenter = parts_->presenter;
  parts_->window.bind(presenter);
  parts_->port.received = [&presenter] { presenter.received(); };
  parts_->port.lost = [&presenter] { presenter.portLost(); };
  parts_->window.closing = [&presenter] { presenter.quit(); };
  // The plot follows a measurement four times a second, and nothing ticks
  // while nothing is measured; a minimised window has nothing to show and
  // catches up once it is shown again.
  MainWindow& window = parts_->window;
  QTimer& tick = parts_->liveTick;
  QObject::connect(&tick, &QTimer::timeout, [&presenter, &window] {
    presenter.pollSweep();  // a sweep notices a silent board by it, minimised too
    if (window.isVisible() && !window.isMinimized()) presenter.refreshLivePlot();
  });
  tick.setInterval(kLiveInterval);
  presenter.measuringChanged = [&presenter, &tick] {
    if (presenter.measuring()) {
      tick.start();
    } else {
      tick.stop();
    }
  };
  // Quitting closes the port, then ends the program.
  presenter.quitButton.onClick = [&presenter] {
    presenter.quit();
    QCoreApplication::quit();
  };
}

App::~App() = default;
Presenter& App::presenter() { return parts_->presenter; }
MainWindow& App::window() { return parts_->window; }
QtBytePort& App::port() { return parts_->port; }

namespace {

using Steady = std::chrono::steady_clock;

// TARNVIEW_STARTUP_PROBE=1: print the time from main() to the end of the
// window's first paint, then quit. bench_program times the whole start with it.
class FirstPaintProbe : public QObject {
 public:
  explicit FirstPaintProbe(Steady::time_point start) : start_(start) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      QTimer::singleShot(0, [this] {
        const std::chrono::duration<double, std::milli> took = Steady::now() - start_;
        std::printf("first paint %.1f ms after main\n", took.count());
        std::fflush(stdout);
        QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  Steady::time_point start_;
  bool painted_ = false;
};

// Fontconfig started as Qt would start it (FcInit), less a step the window
// does not need: after the configuration in force, fontconfig's own start
// also parses every file in its folder of available configurations (about
// forty more) to describe them to fc-conflist, a third of what the window
// does before its first paint. The rules, fonts and caches are the same. A
// configuration that does not load, or names no cache folder, is left to
// FcInit, which mends or reports it.
void startFontconfig() {
  FcConfig* config = FcConfigCreate();
  if (!config) return;
  const bool loaded = FcConfigParseAndLoad(config, nullptr, FcTrue) == FcTrue;
  FcStrList* caches = FcConfigGetCacheDirs(config);
  const bool cached = caches && FcStrListNext(caches);
  if (caches) FcStrListDone(caches);
  // FcConfigSetCurrent holds a reference of its own.
  if (loaded && cached && FcConfigBuildFonts(config)) FcConfigSetCurrent(config);
  FcConfigDestroy(config);
}

// Qt reads its first picture (the style's frame of a group box, in the first
// paint) by asking each image plugin whether it reads it: it loads them all,
// and their libraries, a tenth of the time to the first paint. A picture read
// the same way on another thread (Qt's plugin loader is thread-safe) loads
// them while the window is made.
void loadImagePlugins() {
  QByteArray png;
  QBuffer written(&png);
  written.open(QIODevice::WriteOnly);
  QImage(1, 1, QImage::Format_RGB32).save(&written, "PNG");
  QBuffer stored(&png);
  QImageReader(&stored).read();  // no format named: every plugin is asked
}

// --help and --version need no display: the manual page is made from them as
// the program is built.
void printHelp(std::span<const BoardProfile> boards, std::string_view program) {
  std::string names;
  for (const BoardProfile& board : boards)
    names += (names.empty() ? "" : " or ") + std::string(board.name);
  std::printf(
      "Usage: %.*s [QT-OPTION]...\n"
      "The window for the %s board on a serial port:\n"
      "check the board, read or set its output data rate, measure up to 65535\n"
      "samples on one or two channels, see the waveform and save it as CSV.\n\n"
      "Options:\n"
      "  --help           this text\n"
      "  --version        the program's name and version\n\n"
      "Environment:\n"
      "  TARNVIEW_COMn    the device the window's port COMn opens (/dev/ttyS<n-1> when unset)\n",
      static_cast<int>(program.size()), program.data(), names.c_str());
}

}  // namespace

int runProgram(int argc, char** argv, std::span<const BoardProfile> boards,
               const char* desktopName) {
  const Steady::time_point start = Steady::now();
  const std::string_view name(desktopName);
  const std::string_view program = name.substr(name.rfind('.') + 1);
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    printHelp(boards, program);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("%.*s %s\n", static_cast<int>(program.size()), program.data(), TARNVIEW_VERSION);
    return 0;
  }
  // Fontconfig loads on a thread of its own while Qt starts its platform;
  // nothing asks for a font before the window is made.
  std::jthread fonts(startFontconfig);
  QApplication application(argc, argv);
  const std::jthread images(loadImagePlugins);
  QGuiApplication::setDesktopFileName(desktopName);
  // Qt's own texts (the file dialog's buttons, its questions) follow the
  // desktop's language, as the window's own texts do.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(), "qt", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexts);
  fonts.join();
  App app(boards);
  FirstPaintProbe probe(start);
  if (qEnvironmentVariableIsSet("TARNVIEW_STARTUP_PROBE")) app.window().installEventFilter(&probe);
  app.window().show();
  return QApplication::exec();
}

}  // namespace tarn
