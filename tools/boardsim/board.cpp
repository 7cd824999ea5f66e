#include "board.hpp"

#include <algorithm>
#include <cmath>

#include "values.hpp"

namespace boardsim {
namespace {

constexpr std::array<std::string_view, 3> kModelNames = {"pellan2", "quorin2", "pellan"};
constexpr std::array<double, 12> kPellanSinc5 = {1.25,  2.5,   5,     10,    16.63, 20.01,
                                                 49.68, 59.52, 100.2, 200.3, 503.8, 1007};
constexpr std::array<double, 12> kPellanSinc3 = {1.25, 2.5,   5,     10,    16.67, 20.01,
                                                 50,   59.98, 100.2, 200.3, 504,   1008};
constexpr std::array<double, 8> kQuorinSinc5 = {1.25, 2.5, 5, 10, 20.01, 49.68, 100.2, 200.3};
constexpr std::array<double, 8> kQuorinSinc3 = {1.25, 2.5, 5, 10, 20.01, 50, 100.2, 200.3};
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Commands carry upper-case hexadecimal only, as the host program sends them.
int HexValue(char c) {
  const char* end = kHexDigits + 16;
  const char* found = std::find(kHexDigits, end, c);
  return found == end ? -1 : static_cast<int>(found - kHexDigits);
}

}  // namespace

std::optional<Model> ModelFromName(std::string_view name) {
  const auto* found = std::find(kModelNames.begin(), kModelNames.end(), name);
  if (found == kModelNames.end()) return std::nullopt;
  return static_cast<Model>(found - kModelNames.begin());
}

std::string_view ModelName(Model model) { return kModelNames[static_cast<size_t>(model)]; }

int BaudRate(Model model) { return model == Model::kQuorin2 ? 38400 : 115200; }

std::span<const double> RateList(Model model, char filter) {
  if (model == Model::kQuorin2) {
    return filter == '3' ? std::span<const double>(kQuorinSinc3) : kQuorinSinc5;
  }
  return filter == '3' ? std::span<const double>(kPellanSinc3) : kPellanSinc5;
}

double ModelNoiseMicrovolts(double rate_hz) { return 5.0 * std::sqrt(rate_hz / 31250); }

Board::Board(const BoardConfig& config)
    : config_(config),
      rate_(config.rate),
      channels_{Channel(config.channels[0], config.seed * 2),
                Channel(config.channels[1], config.seed * 2 + 1)} {}

Response Board::Command(std::string_view line) {
  if (line == "AX" || line == "MX") {
    const bool was_streaming = Streaming();
    stream_.reset();
    return {.reply = {}, .stream = was_streaming ? StreamChange::kStopped : StreamChange::kNone};
  }
  // While streaming the firmware only watches for the stop; an empty line never has an answer.
  if (Streaming() || line.empty()) return {};
  if (line == "?") return {"tarnboard " + std::string(ModelName(config_.model)) + " sim 1.0"};
  if (line == "S?") return {std::string{'S', config_.reference, config_.filter}};
  if (line == "F?") return {std::string{'F', kHexDigits[rate_]}};
  if (line.size() == 2 && line[0] == 'F') {
    const int code = HexValue(line[1]);
    if (code < 0 || code >= static_cast<int>(RateList(config_.model, config_.filter).size())) {
      return {"NG"};
    }
    rate_ = code;
    return {"OK"};
  }
  if (line[0] == 'A' || line[0] == 'M') return Start(line);
  return {"NG"};
}

Response Board::Start(std::string_view line) {
  const bool well_formed =
      line.size() == 6 && line[1] >= '0' && line[1] <= '2' &&
      std::all_of(line.begin() + 2, line.end(), [](char c) { return HexValue(c) >= 0; });
  if (!well_formed || config_.refuse) {
    // The pellan's firmware knows no refusal: it just does not start.
    if (config_.model == Model::kPellan) return {};
    return {"NG"};
  }
  uint32_t count = 0;
  for (const char c : line.substr(2)) count = count * 16 + static_cast<uint32_t>(HexValue(c));
  stream_ = Stream{.millivolts = line[0] == 'M', .channels = line[1] - '0', .remaining = count};
  return {.reply = {}, .stream = StreamChange::kStarted};
}

size_t Board::RecordLength() const {
  const size_t field = stream_->millivolts ? 8 : 6;
  return (stream_->channels == 2 ? 2 * field : field) + 1;
}

double Board::Rate() const {
  return RateList(config_.model, config_.filter)[static_cast<size_t>(rate_)];
}

double Board::FullScale() const {
  return config_.model == Model::kPellan && config_.reference == '1' ? 5.0 : 2.5;
}

double Board::RecordPeriod() const {
  return std::max(1.0 / Rate(), static_cast<double>(RecordLength()) * CharTime());
}

void Board::AppendRecord(std::string& out) {
  Stream& s = *stream_;
  record_.clear();
  const double noise_uv = config_.noise_uv.value_or(ModelNoiseMicrovolts(Rate()));
  for (int ch = 0; ch < 2; ++ch) {
    if (s.channels != 2 && s.channels != ch) continue;
    const double volts = channels_[static_cast<size_t>(ch)].Volts(time_s_, noise_uv);
    const uint32_t code = OffsetBinary(volts, FullScale());
    if (s.millivolts) {
      AppendMicrovoltText(record_, CodeToMicrovolts(code, FullScale()));
    } else {
      AppendHex6(record_, code);
    }
  }
  time_s_ += RecordPeriod();
  Damage(++s.records);
  record_ += '\r';
  for (const char c : record_) {
    ++s.chars;
    if (config_.drop_every == 0 || s.chars % config_.drop_every != 0) out += c;
    // A digit belongs to a value in either format, so it shifts what follows.
    if (config_.insert_every != 0 && s.chars % config_.insert_every == 0) out += '7';
  }
  if (s.remaining != 0 && --s.remaining == 0) stream_.reset();
}

void Board::Damage(uint64_t record) {
  if (config_.garbage_every != 0 && record % config_.garbage_every == 0) {
    static constexpr std::string_view kGarbage = "ZZ?!";
    for (size_t i = 0; i < record_.size(); ++i) record_[i] = kGarbage[i % kGarbage.size()];
  }
  // One character, at a place that moves from record to record, becomes a letter that is no
  // hexadecimal digit either.
  if (config_.corrupt_every != 0 && record % config_.corrupt_every == 0) {
    record_[record / config_.corrupt_every % record_.size()] = 'G';
  }
}

}  // namespace boardsim
