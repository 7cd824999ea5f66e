#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/seams.h"

namespace tarn {

enum class DataFormat { Binary, Millivolt };
enum class Channels { Ch0, Ch1, Both };

// One record as the board sent it: field 0 the CH0 value text, field 1 the
// CH1 value text; a channel that is not measured stays empty.
struct SampleRecord {
  std::array<std::string, 2> field;
};

// The most records one measurement holds: an endless one is stopped there.
inline constexpr int32_t kSampleEntries = 66001;
// The most records a start can ask for.
inline constexpr int32_t kMaxCount = 65535;

// Everything a measurement needs, captured at its start: whatever the window
// shows later, the stop command, the summary, the plot and the file follow
// these.
struct MeasurementSettings {
  DataFormat format = DataFormat::Binary;
  Channels channels = Channels::Ch0;
  int32_t count = 0;  // records asked for; 0 runs until stopped
  int rateCode = 0;
  std::string rateText;       // "1007sps"
  std::string boardSettings;  // "±2.5V / IntRef / Sinc5+Sinc1"
  std::string channelText;    // the channel choice, "CH0 / CH1"
  std::string columnHeading;  // "CH0=Ain0-Ain1,CH1=Ain2-Ain3"
  SteadyTime started{};
};

// The channel choices, as the window lists them and the data file names them.
inline constexpr std::string_view kChannelNames[] = {"CH0=Ain0-Ain1", "CH1=Ain2-Ain3", "CH0 / CH1"};

// The settings of a start; the channel text and the column heading follow
// from the channels.
MeasurementSettings measurementSettings(DataFormat format, Channels channels, int32_t count,
                                        int rateCode, std::string rateText,
                                        std::string boardSettings, SteadyTime started);

// The characters of one record: six hexadecimal digits or eight characters
// of mV text per measured value, and the end character.
size_t recordLength(DataFormat format, Channels channels);

// The sampling rate a rate text names ("1007sps", "100.2sps"): the number it
// begins with; nothing when it begins with none or it is not positive.
std::optional<double> rateHzOf(std::string_view rateText);

// "A00064": the format's letter, the channel digit and four hexadecimal
// digits of the count.
std::string startCommand(const MeasurementSettings& settings);
// "AX" or "MX".
std::string stopCommand(DataFormat format);

// The fields measured: CH0, CH1, or both.
std::span<const int> measuredFields(Channels channels);

// Whether a value text is one the board sends: six hexadecimal digits (either
// case) in binary data; in mV data a plain decimal number (isPlainDecimal).
// Any other text is a value damaged on the way.
bool isValueText(std::string_view text, DataFormat format);

// The number of records a text asks for: a number from 0 to 65535, rounded
// halves to even. Nothing for a text that does not begin with a number or
// holds one out of range.
std::optional<int32_t> sampleCountOf(std::string_view text);

// One measurement from its start command on: it is fed the characters that
// arrive and cuts them into records.
//
// Each record must end in the stream's end character: the last character of
// the first record whose last character cannot belong to a value (CR on the
// boards we know). A record that does not is not stored: a character was
// lost or added on the line. The characters up to and including the next end
// character are dropped and cutting goes on from there. A record of the right
// length whose values are not all value texts is damaged and not stored
// either. Discarded records count toward the number asked for, so a
// measurement still ends by itself.
class Measurement {
 public:
  enum class State {
    Running,
    Finished,   // every record asked for arrived
    TableFull,  // an endless measurement filled the table; the board must be stopped
    Refused,    // the board answered "NG" to the start
    Stopped,    // the user stopped it
    PortLost,   // the port went away
  };

  // `refusesWithNg`: the board answers a start it refuses with "NG".
  Measurement(MeasurementSettings settings, bool refusesWithNg);

  // Cuts every complete record out of what has arrived; the state afterwards.
  // Characters fed after the end are ignored.
  State feed(std::string_view chars);
  // Ends a running measurement: stopped by the user, or its port lost.
  void end(State why);

  State state() const { return state_; }
  bool running() const { return state_ == State::Running; }
  const MeasurementSettings& settings() const { return settings_; }
  std::span<const SampleRecord> records() const { return records_; }
  int32_t received() const { return static_cast<int32_t>(records_.size()); }
  int32_t discarded() const { return discarded_; }
  // "12/123ABC", "12/123ABC, 456DEF": the count and the newest record.
  std::string progressText() const;

 private:
  MeasurementSettings settings_;
  bool refusesWithNg_;
  size_t fieldLength_, recordLength_;
  bool valueCharacter(char c) const;
  bool endCharacter(char c) const { return endChar_ ? c == *endChar_ : !valueCharacter(c); }
  // Cuts or discards the record at `at`; where the next one starts.
  size_t cut(size_t at);
  void countRecord();

  std::string pending_;
  std::optional<char> endChar_;
  bool resyncing_ = false;  // dropping characters up to the next end character
  bool started_ = false;    // a record has been cut or discarded
  int32_t discarded_ = 0;
  std::vector<SampleRecord> records_;
  State state_ = State::Running;
};

}  // namespace tarn
