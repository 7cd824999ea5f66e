#include "common/system_clock.h"

#include <windows.h>

namespace tarn {

SteadyTime SystemClock::now() { return std::chrono::steady_clock::now(); }

LocalDateTime SystemClock::localNow() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace tarn
