#include "workflow/reception.h"

#include <thread>

#include "acquisition/acquisition_texts.h"
#include "analysis/values.h"
#include "board/board_texts.h"

namespace tarn {

namespace at = acquisition_texts;
using namespace std::chrono_literals;

Connected connectBoard(BoardLink& link, const std::string& device, const BoardProfile& board) {
  try {
    link.open(device, board.line);
  } catch (const PortError& e) {
    return {std::nullopt, std::string(board_texts::kComOpenFailed) + " " + e.what(), true};
  }
  return checkConnection(link, board);
}

Connected checkConnection(BoardLink& link, const BoardProfile& board) {
  link.resync();
  Connection c{checkBoard(link, board), std::nullopt};
  if (c.check.outcome != BoardCheck::Outcome::Ok)
    return {std::nullopt,
            std::string(c.check.outcome == BoardCheck::Outcome::NoAnswer ? board.noAnswer
                                                                         : board.badStatus)};
  // The window reads the rate as it connects.
  const std::optional<int> read = readRate(link);
  c.rate = read && *read < static_cast<int>(c.check.rates.size()) ? read : std::nullopt;
  return {std::move(c), {}};
}

bool Reception::pump(const std::function<bool(std::string_view)>& feed) {
  const SteadyTime started = clock_.now();
  SteadyTime lastTake{};
  double taken = 0;  // characters
  while (!stopRequested_()) {
    // At the line's pace records come one at a time: taking what gathered
    // over a few milliseconds spares a wake-up a record and delays none
    // that counts. A stream faster than the line (a simulated board) is
    // taken as it comes.
    const SteadyTime now = clock_.now();
    const double seconds = std::chrono::duration<double>(now - started).count();
    const auto pause = lastTake + 8ms - now;
    if (pause > 0ms && taken < seconds * board_.line.baud / 5) std::this_thread::sleep_for(pause);
    port_.waitForInput(clock_.now() + 200ms);
    lastTake = clock_.now();
    const std::string chars = link_.take();
    taken += static_cast<double>(chars.size());
    if (!feed(std::string_view(chars))) return false;
  }
  return true;
}

std::string Reception::measure(Measurement& m, SampleValues& values,
                               const std::function<void()>& onRecords) {
  try {
    link_.take();  // what came before the start is not a record
    link_.send(startCommand(m.settings()));
    const DataFormat format = m.settings().format;
    std::string summary;
    const bool stopped = pump([&](std::string_view chars) {
      switch (m.feed(chars)) {
        case Measurement::State::Running:
          values.update(m.records());
          onRecords();
          return true;
        case Measurement::State::Finished:
          summary = finished(m, values, at::kFinished);
          return false;
        case Measurement::State::TableFull:
          link_.send(stopCommand(format));
          summary = finished(m, values, at::kTableFull);
          return false;
        default:
          return false;
      }
    });
    if (!stopped) return summary;
    m.end(Measurement::State::Stopped);
    link_.send(stopCommand(format));
    try {
      link_.take();  // the rest of the stream
    } catch (const PortError&) {
      // Gone once stopped: what arrived is kept all the same.
    }
    return at::kStopped + discardedText(m);
  } catch (const PortError&) {
    m.end(Measurement::State::PortLost);
    return at::kLostDuringMeasurement + std::to_string(m.received()) + at::kLostCountEnd;
  }
}

std::string Reception::finished(const Measurement& m, SampleValues& values,
                                const char* heading) const {
  if (m.received() == 0) return std::string(heading) + at::kNoValidData;
  values.update(m.records());
  return heading + peakToPeakText(values, board_) + discardedText(m);
}

std::string discardedText(const Measurement& m) {
  return m.discarded() == 0 ? std::string()
                            : at::kDiscarded + std::to_string(m.discarded()) + at::kDiscardedEnd;
}

}  // namespace tarn
