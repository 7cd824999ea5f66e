#pragma once

#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace tarn::test {

// Runs the event loop, as the program does, until `done` holds; gives up after
// `limitMs` so that a broken program fails the test instead of hanging it.
// Returns `done()`.
inline bool pumpUntil(const std::function<bool()>& done, int limitMs = 30000) {
  QEventLoop loop;
  QTimer check, limit;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  check.start(2);
  limit.start(limitMs);
  if (!done()) loop.exec();
  return done();
}

}  // namespace tarn::test
