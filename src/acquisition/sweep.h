#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"
#include "board/link.h"
#include "board/profile.h"

namespace tarn {

// One rate of a sweep's plan: its code in the filter's rate list, and the
// records to take there (1 to 65535).
struct SweepStep {
  int rateCode = 0;
  int32_t count = 0;
};

// The fewest records a time budget gives a rate: 256 values put the rms
// noise's 95 % interval within about ±9 % (1.96 / √(2 × 255)) and give the
// Allan deviation seven averaging lengths, 1 to 64 = n/4; at 1.25 sps they
// take 3 min 25 s.
inline constexpr int32_t kSweepMinimumCount = 256;

// The records `seconds` give at `rateHz`: rate × seconds, rounded, never
// fewer than kSweepMinimumCount and never more than kMaxCount.
int32_t sweepCount(double rateHz, double seconds);

// Seconds one record takes: its characters on the line (a start bit, the
// data bits, the parity bit if any and the stop bits each) or the rate's
// period, whichever is longer; the line alone for an unknown rate.
double recordSeconds(DataFormat format, Channels channels, std::optional<double> rateHz,
                     const LineSettings& line);

// "1:02:03": hours, minutes and seconds, rounded to the second.
std::string clockText(double seconds);

// One rate's run: how it ended, and its measurement from the start command on.
struct SweepRun {
  enum class End {
    NotRun,         // the sweep ended before it
    Running,        // measuring now
    Finished,       // every record asked for arrived, some of them valid
    Stopped,        // the user stopped the sweep during this run
    Refused,        // the board refused the start
    RateNotSet,     // the board did not take the rate
    Silent,         // no record came for too long: stopped and left
    NoValidRecord,  // every record was damaged on the way
    PortLost,       // the port went away during this run
  };
  SweepStep step;
  std::string rateText;  // "10sps"
  End end = End::NotRun;
  std::optional<Measurement> measurement;
  // Refused, rate not set, silent, no valid record or port lost.
  bool failed() const;
};

// The name of a run's data file in the sweep's folder, by the code and the
// text of its rate: "rate-06-49.68sps.csv", so that the files sort by rate.
std::string sweepFileName(const SweepRun& run);

// "finished", "stopped", "refused", "rate not set", "silent", "no valid
// record", "port lost", "not run", "running".
const char* endName(SweepRun::End end);

// What a sweep measures with: the board, what its check found, and the
// choices a single measurement takes.
struct SweepSetup {
  const BoardProfile& board;
  std::span<const std::string_view> rates;  // the filter's, as the check loaded them
  std::string boardSettings;                // the check's settings text
  int foundRate;                            // where the board was; set back at the end
  DataFormat format = DataFormat::Binary;
  Channels channels = Channels::Ch0;
};

// How far a running sweep is.
struct SweepProgress {
  size_t run = 0, runs = 0;  // run k (from 1) of n
  std::string_view rateText;
  int32_t done = 0, count = 0;  // records of this run: arrived (valid or not), asked for
  double secondsLeft = 0;       // this run's rest and the later runs, at their pace
};

// Measures at one rate after another on one link, each run a Measurement as
// a single one is, and leaves the board at the rate it found.
//
// The sweep decides: which rate comes next, what counts as a failed run,
// when the rate is set back, how long it all takes and how far it is. The
// front end waits: it hands the sweep what the port brings, and the user's
// stop. The sweep's own exchanges (a rate set, the tail of a stopped stream)
// block as a BoardLink's do, for the reply time at most.
//
//   Sweep sweep(link, clock, setup, plan);
//   show(sweep.plannedText());             // before it starts
//   sweep.start();                         // the first rate, and its start
//   while (sweep.running()) {              // a loop, or one call per event
//     wait for input, kPoll at most;  // the silence check needs a call
//     sweep.feed(link.take());             // ends runs, starts the next
//     save sweep.runs() up to sweep.ended(), once each;
//     show(sweep.progressText());
//     if the user stops: sweep.stop();     // stops, sets the rate back
//   }
//   a PortError from the front end's own read: sweep.portLost().
//
// A failed run (see SweepRun::End) is kept with its end and the sweep goes
// on; a lost port ends the sweep and keeps every run before it; a stop ends
// the running measurement as a single one's stop does, keeps what arrived
// and sets the rate back, as the end of the plan does.
class Sweep {
 public:
  // The longest a front end may leave a running sweep without a feed().
  static constexpr std::chrono::milliseconds kPoll{250};

  Sweep(BoardLink& link, Clock& clock, SweepSetup setup, std::span<const SweepStep> plan);

  // The plan's time on the wire: each run's records at the line's pace or
  // the rate's, whichever is slower.
  double plannedSeconds() const;
  // "3 rates, 768 records, about 0:03:34"
  std::string plannedText() const;

  // Sets the first rate and starts its measurement (past any that fail).
  void start();
  // What arrived from the port, or nothing; ends the running measurement
  // when it is complete, refused or silent, and starts the next one.
  void feed(std::string_view chars);
  // The user's stop: the stop command, the stream's tail dropped, the rate
  // set back.
  void stop();
  // The front end found the port gone.
  void portLost();

  bool running() const;
  std::span<const SweepRun> runs() const { return runs_; }
  // How many runs, from the first, have ended: each can be saved once.
  size_t ended() const;
  // The board was set back to the rate it found.
  bool rateRestored() const { return restored_; }
  bool portWasLost() const { return portLost_; }
  int foundRate() const { return setup_.foundRate; }

  SweepProgress progress() const;
  // "rate 2/3 10sps 120/256 0:00:13 left"
  std::string progressText() const;

 private:
  double runSeconds(size_t run, int32_t records) const;
  // Starts the runs from at_ on until one streams; finishes after the last.
  void begin();
  void finish(bool afterStream);
  void lose();
  template <typename F>
  void guarded(F&& f);

  BoardLink& link_;
  Clock& clock_;
  SweepSetup setup_;
  std::vector<SweepRun> runs_;
  size_t at_ = 0;  // the run measuring, or the next one
  bool started_ = false, done_ = false, restored_ = false, portLost_ = false;
  SteadyTime lastRecord_{};  // when the running measurement last counted a record
  std::chrono::milliseconds replyTime_ = BoardLink::replyTime();
};

}  // namespace tarn
