// The board's side of the serial protocol: command lines in, reply lines and records out.
// Pure logic; timing and the serial device are the server's business.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "signal.hpp"

namespace boardsim {

enum class Model { kPellan2, kQuorin2, kPellan };

std::optional<Model> ModelFromName(std::string_view name);
std::string_view ModelName(Model model);
int BaudRate(Model model);
// Output data rates in Hz, indexed by rate code, for the model and the status filter digit.
std::span<const double> RateList(Model model, char filter);

// A model of the converter's noise at the input: white noise whose rms falls with the root of
// the output data rate, 5.0 uV at 31.25 kSPS, on either input range.
double ModelNoiseMicrovolts(double rate_hz);

struct BoardConfig {
  Model model = Model::kPellan2;
  char reference = '0';  // status digit 2: reference, or input range on the pellan
  char filter = '5';     // status digit 3: '3' Sinc3, '5' Sinc5+Sinc1
  int rate = 7;          // valid in every list
  std::array<ChannelSignal, 2> channels{{{.offset_mv = 1.2345}, {.offset_mv = -0.5}}};
  std::optional<double> noise_uv;  // rms at the input; by default ModelNoiseMicrovolts
  uint64_t seed = 1;
  bool refuse = false;         // answer "NG" to every start
  uint32_t drop_every = 0;     // drop every Nth stream character; 0 = off
  uint32_t insert_every = 0;   // add a character after every Nth one; 0 = off
  uint32_t garbage_every = 0;  // garble every Nth record; 0 = off
  uint32_t corrupt_every = 0;  // replace one value character of every Nth record; 0 = off
};

// Cuts received bytes into command lines. LF is ignored; a line longer than kMaxLine is
// dropped whole, so a flood of noise cannot grow the buffer.
class LineReader {
 public:
  static constexpr size_t kMaxLine = 64;

  template <class OnLine>
  void Feed(std::string_view bytes, OnLine&& on_line) {
    for (const char c : bytes) {
      if (c == '\r') {
        if (!overflow_) on_line(std::string_view(line_));
        line_.clear();
        overflow_ = false;
      } else if (c != '\n') {
        overflow_ = overflow_ || line_.size() == kMaxLine;
        if (!overflow_) line_ += c;
      }
    }
  }

 private:
  std::string line_;
  bool overflow_ = false;
};

enum class StreamChange { kNone, kStarted, kStopped };

struct Response {
  std::optional<std::string> reply;  // without its CR
  StreamChange stream = StreamChange::kNone;
};

class Board {
 public:
  explicit Board(const BoardConfig& config);

  Response Command(std::string_view line);
  bool Streaming() const { return stream_.has_value(); }
  // Appends the next record of the running stream (after faults); the last one ends the stream.
  void AppendRecord(std::string& out);
  // Seconds per record of the running stream: the output data rate or the line speed,
  // whichever is slower.
  double RecordPeriod() const;
  // Seconds one character takes on the line (start bit, 8 data bits, stop bit).
  double CharTime() const { return 10.0 / BaudRate(config_.model); }

 private:
  struct Stream {
    bool millivolts;
    int channels;        // 0 CH0, 1 CH1, 2 both
    uint32_t remaining;  // 0 = endless
    uint64_t records = 0;
    uint64_t chars = 0;
  };

  Response Start(std::string_view line);
  size_t RecordLength() const;
  double Rate() const;
  // Volts of the converter's full scale: the pellan's ±5 V range, else ±2.5 V.
  double FullScale() const;
  void Damage(uint64_t record);

  BoardConfig config_;
  int rate_;
  std::array<Channel, 2> channels_;
  double time_s_ = 0;  // signal time, continuous across streams
  std::optional<Stream> stream_;
  std::string record_;
};

}  // namespace boardsim
