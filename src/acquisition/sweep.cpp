#include "acquisition/sweep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "board/commands.h"

namespace tarn {
namespace {

using End = SweepRun::End;
using namespace std::chrono_literals;

// A USB serial adapter hands over what it gathered every 16 ms: three of
// those without a character and a stopped stream's tail has passed.
constexpr auto kQuiet = 50ms;
// Records a run may miss in a row, beyond the reply time, before it counts
// as silent.
constexpr double kSilentRecords = 3;

}  // namespace

int32_t sweepCount(double rateHz, double seconds) {
  const double n = std::round(rateHz * seconds);
  if (!(n >= kSweepMinimumCount)) return kSweepMinimumCount;  // NaN included
  return n >= kMaxCount ? kMaxCount : static_cast<int32_t>(n);
}

double recordSeconds(DataFormat format, Channels channels, std::optional<double> rateHz,
                     const LineSettings& line) {
  const int bits = 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
  const double wire = static_cast<double>(recordLength(format, channels) * bits) / line.baud;
  return rateHz ? std::max(wire, 1 / *rateHz) : wire;
}

std::string clockText(double seconds) {
  const long long s = std::llround(std::max(seconds, 0.0));
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

bool SweepRun::failed() const {
  return end == End::Refused || end == End::RateNotSet || end == End::Silent ||
         end == End::NoValidRecord || end == End::PortLost;
}

std::string sweepFileName(const SweepRun& run) {
  char code[16];
  std::snprintf(code, sizeof code, "rate-%02d-", run.step.rateCode);
  return code + run.rateText + ".csv";
}

const char* endName(SweepRun::End end) {
  constexpr const char* kNames[] = {"not run", "running",         "finished",
                                    "stopped", "refused",         "rate not set",
                                    "silent",  "no valid record", "port lost"};
  return kNames[static_cast<size_t>(end)];
}

Sweep::Sweep(BoardLink& link, Clock& clock, SweepSetup setup, std::span<const SweepStep> plan)
    : link_(link), clock_(clock), setup_(std::move(setup)) {
  for (const SweepStep& step : plan) {
    SweepRun& run = runs_.emplace_back();
    run.step = {step.rateCode, std::clamp(step.count, int32_t{1}, kMaxCount)};
    run.rateText = setup_.rates[static_cast<size_t>(step.rateCode)];
  }
}

double Sweep::runSeconds(size_t run, int32_t records) const {
  return records * recordSeconds(setup_.format, setup_.channels, rateHzOf(runs_[run].rateText),
                                 setup_.board.line);
}

double Sweep::plannedSeconds() const {
  double seconds = 0;
  for (size_t i = 0; i < runs_.size(); ++i) seconds += runSeconds(i, runs_[i].step.count);
  return seconds;
}

std::string Sweep::plannedText() const {
  int64_t records = 0;
  for (const SweepRun& run : runs_) records += run.step.count;
  return std::to_string(runs_.size()) + (runs_.size() == 1 ? " rate, " : " rates, ") +
         std::to_string(records) + " records, about " + clockText(plannedSeconds());
}

template <typename F>
void Sweep::guarded(F&& f) {
  try {
    f();
  } catch (const PortError&) {
    lose();
  }
}

void Sweep::start() {
  if (started_) return;
  started_ = true;
  guarded([this] { begin(); });
}

void Sweep::begin() {
  for (; at_ < runs_.size(); ++at_) {
    SweepRun& run = runs_[at_];
    if (!setRate(link_, run.step.rateCode)) {
      run.end = End::RateNotSet;
      continue;
    }
    run.measurement.emplace(
        measurementSettings(setup_.format, setup_.channels, run.step.count, run.step.rateCode,
                            run.rateText, setup_.boardSettings, clock_.now()),
        setup_.board.refusesWithNg);
    run.end = End::Running;
    link_.take();  // what came before the start is not a record
    link_.send(startCommand(run.measurement->settings()));
    lastRecord_ = clock_.now();
    return;
  }
  finish(false);
}

void Sweep::feed(std::string_view chars) {
  if (!running()) return;
  guarded([&] {
    SweepRun& run = runs_[at_];
    Measurement& m = *run.measurement;
    const int32_t before = m.received() + m.discarded();
    switch (m.feed(chars)) {
      case Measurement::State::Running: {
        const SteadyTime now = clock_.now();
        if (m.received() + m.discarded() > before) {
          lastRecord_ = now;
          return;
        }
        const double silent =
            std::chrono::duration<double>(replyTime_).count() + runSeconds(at_, 1) * kSilentRecords;
        if (std::chrono::duration<double>(now - lastRecord_).count() < silent) return;
        m.end(Measurement::State::Stopped);
        run.end = End::Silent;
        link_.send(stopCommand(setup_.format));  // in case it starts after all
        link_.drain(kQuiet);
        break;
      }
      case Measurement::State::Refused:
        run.end = End::Refused;
        break;
      default:  // finished: a count is never 0, so the table never fills
        run.end = m.received() > 0 ? End::Finished : End::NoValidRecord;
        break;
    }
    ++at_;
    begin();
  });
}

void Sweep::stop() {
  if (!running()) return;
  SweepRun& run = runs_[at_];
  run.measurement->end(Measurement::State::Stopped);
  run.end = End::Stopped;
  guarded([this] {
    link_.send(stopCommand(setup_.format));
    finish(true);
  });
}

void Sweep::portLost() {
  if (!done_) lose();
}

void Sweep::finish(bool afterStream) {
  done_ = true;
  if (afterStream) link_.drain(kQuiet);
  restored_ = setRate(link_, setup_.foundRate);
}

void Sweep::lose() {
  if (at_ < runs_.size()) {
    SweepRun& run = runs_[at_];
    if (run.end == End::Running || run.end == End::NotRun) run.end = End::PortLost;
    if (run.measurement) run.measurement->end(Measurement::State::PortLost);
  }
  done_ = portLost_ = true;
  restored_ = false;
}

bool Sweep::running() const {
  return !done_ && at_ < runs_.size() && runs_[at_].end == End::Running;
}

size_t Sweep::ended() const {
  if (!started_) return 0;
  return running() ? at_ : runs_.size();
}

SweepProgress Sweep::progress() const {
  SweepProgress p;
  p.runs = runs_.size();
  if (!running()) return p;
  const SweepRun& run = runs_[at_];
  p.run = at_ + 1;
  p.rateText = run.rateText;
  p.done = run.measurement->received() + run.measurement->discarded();
  p.count = run.step.count;
  p.secondsLeft = runSeconds(at_, p.count - p.done);
  for (size_t i = at_ + 1; i < runs_.size(); ++i)
    p.secondsLeft += runSeconds(i, runs_[i].step.count);
  return p;
}

std::string Sweep::progressText() const {
  const SweepProgress p = progress();
  if (p.run == 0) return {};
  return "rate " + std::to_string(p.run) + "/" + std::to_string(p.runs) + " " +
         std::string(p.rateText) + " " + std::to_string(p.done) + "/" + std::to_string(p.count) +
         " " + clockText(p.secondsLeft) + " left";
}

}  // namespace tarn
