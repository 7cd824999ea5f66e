#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "common/model.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

// TARNVIEW_STARTUP_PROBE=1: print the time from main() to the end of the
// window's first paint, then quit. bench_program times the whole start with it.
class FirstPaintProbe : public QObject {
 public:
  explicit FirstPaintProbe(Clock::time_point start) : start_(start) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      QTimer::singleShot(0, [this] {
        const std::chrono::duration<double, std::milli> took = Clock::now() - start_;
        std::printf("first paint %.1f ms after main\n", took.count());
        std::fflush(stdout);
        QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  Clock::time_point start_;
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point start = Clock::now();
  QApplication application(argc, argv);
  QGuiApplication::setDesktopFileName(tarn::kSolo ? "org.tarnview.tarnview_solo"
                                                  : "org.tarnview.tarnview");
  tarn::App app;
  FirstPaintProbe probe(start);
  if (qEnvironmentVariableIsSet("TARNVIEW_STARTUP_PROBE")) app.window().installEventFilter(&probe);
  app.window().show();
  return QApplication::exec();
}
