#include "acquisition/measurement.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/numbers.h"

namespace tarn {

MeasurementSettings measurementSettings(DataFormat format, Channels channels, int32_t count,
                                        int rateCode, std::string rateText,
                                        std::string boardSettings, SteadyTime started) {
  const std::string name(kChannelNames[static_cast<size_t>(channels)]);
  return {format,
          channels,
          count,
          rateCode,
          std::move(rateText),
          std::move(boardSettings),
          name,
          channels == Channels::Both
              ? std::string(kChannelNames[0]) + "," + std::string(kChannelNames[1])
              : name,
          started};
}

size_t recordLength(DataFormat format, Channels channels) {
  return (format == DataFormat::Binary ? 6 : 8) * measuredFields(channels).size() + 1;
}

std::optional<double> rateHzOf(std::string_view rateText) {
  if (!beginsWithNumber(rateText)) return std::nullopt;
  const double hz = TextToNumber(rateText);
  return hz > 0 && std::isfinite(hz) ? std::optional(hz) : std::nullopt;
}

std::string startCommand(const MeasurementSettings& settings) {
  return std::string(settings.format == DataFormat::Binary ? "A" : "M") +
         hex16(static_cast<int>(settings.channels)) + hex16(settings.count, 4);
}

std::string stopCommand(DataFormat format) { return format == DataFormat::Binary ? "AX" : "MX"; }

std::span<const int> measuredFields(Channels channels) {
  static constexpr int kFields[] = {0, 1};
  switch (channels) {
    case Channels::Ch0:
      return std::span(kFields).first(1);
    case Channels::Ch1:
      return std::span(kFields).last(1);
    case Channels::Both:
      break;
  }
  return kFields;
}

bool isValueText(std::string_view text, DataFormat format) {
  if (format == DataFormat::Millivolt) return isPlainDecimal(text);
  // Every value received is tested: a table, so that digits and letters cost no branches.
  static constexpr auto kHex = [] {
    std::array<bool, 256> hex{};
    for (const char c : std::string_view("0123456789ABCDEFabcdef"))
      hex[static_cast<unsigned char>(c)] = true;
    return hex;
  }();
  bool all = text.size() == 6;
  for (const char c : text) all &= kHex[static_cast<unsigned char>(c)];
  return all;
}

std::optional<int32_t> sampleCountOf(std::string_view text) {
  if (!beginsWithNumber(text)) return std::nullopt;
  const double n = TextToNumber(text);
  if (n < 0 || n > kMaxCount) return std::nullopt;
  return toInt32(n);
}

Measurement::Measurement(MeasurementSettings settings, bool refusesWithNg)
    : settings_(std::move(settings)),
      refusesWithNg_(refusesWithNg),
      fieldLength_(settings_.format == DataFormat::Binary ? 6 : 8),
      recordLength_(recordLength(settings_.format, settings_.channels)) {
  records_.reserve(settings_.count > 0 ? static_cast<size_t>(settings_.count) : 4096);
}

bool Measurement::valueCharacter(char c) const {
  if (settings_.format == DataFormat::Binary) return std::isxdigit(static_cast<unsigned char>(c));
  return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
         c == ' ';
}

Measurement::State Measurement::feed(std::string_view chars) {
  if (!running()) return state_;
  pending_ += chars;
  if (refusesWithNg_ && !started_ && pending_.starts_with("NG")) {
    state_ = State::Refused;
    return state_;
  }
  // Records are cut at a moving offset and the buffer is shortened once, so
  // the cost follows the characters received, however many records came.
  size_t at = 0;
  while (running()) {
    if (resyncing_) {
      const auto end = std::find_if(pending_.begin() + static_cast<std::ptrdiff_t>(at),
                                    pending_.end(), [this](char c) { return endCharacter(c); });
      if (end == pending_.end()) {
        at = pending_.size();
        break;
      }
      at = static_cast<size_t>(end - pending_.begin()) + 1;
      resyncing_ = false;
    }
    if (pending_.size() - at < recordLength_) break;
    at = cut(at);
  }
  pending_.erase(0, at);
  return state_;
}

size_t Measurement::cut(size_t at) {
  started_ = true;
  const char last = pending_[at + recordLength_ - 1];
  if (!endCharacter(last)) {
    ++discarded_;
    resyncing_ = true;
    countRecord();
    return at;
  }
  endChar_ = last;
  const std::span<const int> fields = measuredFields(settings_.channels);
  const auto value = [&](size_t i) {
    return std::string_view(pending_).substr(at + i * fieldLength_, fieldLength_);
  };
  // A record that kept its length but had a character changed on the way.
  bool damaged = false;
  for (size_t i = 0; i < fields.size(); ++i)
    damaged = damaged || !isValueText(value(i), settings_.format);
  if (damaged) {
    ++discarded_;
  } else {
    SampleRecord& record = records_.emplace_back();
    for (size_t i = 0; i < fields.size(); ++i)
      record.field[static_cast<size_t>(fields[i])] = value(i);
  }
  countRecord();
  return at + recordLength_;
}

void Measurement::countRecord() {
  const int32_t done = received() + discarded_;
  if (done == settings_.count) state_ = State::Finished;
  // An endless measurement stops at the table's end rather than grow past it.
  else if (done == kSampleEntries)
    state_ = State::TableFull;
}

void Measurement::end(State why) {
  if (running()) state_ = why;
}

std::string Measurement::progressText() const {
  if (records_.empty()) return {};
  const SampleRecord& last = records_.back();
  std::string text = std::to_string(received()) + "/";
  switch (settings_.channels) {
    case Channels::Ch0:
      return text + last.field[0];
    case Channels::Ch1:
      return text + last.field[1];
    case Channels::Both:
      break;
  }
  return text + last.field[0] + ", " + last.field[1];
}

}  // namespace tarn
