#include "cli/options.h"

#include <algorithm>
#include <charconv>

#include "board/board_texts.h"
#include "board/commands.h"
#include "board/port_names.h"

namespace tarn::cli {
namespace {

// Which commands take an option.
enum : unsigned {
  kBoard = 1u << static_cast<int>(Command::Check) | 1u << static_cast<int>(Command::Rate) |
           1u << static_cast<int>(Command::RateSet) | 1u << static_cast<int>(Command::Measure),
  kMeasure = 1u << static_cast<int>(Command::Measure),
  kSweep = 1u << static_cast<int>(Command::Sweep),
  kReport = 1u << static_cast<int>(Command::Report),
  kFigures = kMeasure | kReport | 1u << static_cast<int>(Command::Stats),
  kAll = ~0u,
};

template <typename T>
std::optional<T> numberOf(std::string_view text) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

double limitOf(std::string_view name, std::string_view text, double low, double high) {
  const std::optional<double> value = numberOf<double>(text);
  if (!value || !(*value >= low && *value <= high))
    throw UsageError(std::string(name) + " '" + std::string(text) + "' is not a number from " +
                     std::to_string(static_cast<int>(low)) + " to " +
                     std::to_string(static_cast<int>(high)));
  return *value;
}

// --rates: "all", or codes and rate texts separated by commas, and ranges of
// codes ("0-11"), spelt out one by one. The texts are checked once the model
// is known.
std::vector<std::string> rateItems(std::string_view list) {
  std::vector<std::string> items;
  if (list == "all") return items;
  for (size_t start = 0; start <= list.size();) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view item = list.substr(start, comma - start);
    start = comma + 1;
    const size_t dash = item.find('-');
    const std::optional<int> low = numberOf<int>(item.substr(0, dash));
    const std::optional<int> high =
        dash == std::string_view::npos ? low : numberOf<int>(item.substr(dash + 1));
    if (dash != std::string_view::npos && !(low && high && *low >= 0 && *low <= *high))
      throw UsageError("--rates: '" + std::string(item) + "' is no range of codes such as 0-11");
    if (item.empty()) throw UsageError("--rates: an empty item in '" + std::string(list) + "'");
    if (dash == std::string_view::npos || *high - *low > 15) {
      items.emplace_back(item);  // a code, a text, or a range longer than any list
      continue;
    }
    for (int code = *low; code <= *high; ++code) items.push_back(std::to_string(code));
  }
  return items;
}

struct OptionDef {
  std::string_view name;
  bool takesValue;
  unsigned commands;
  void (*apply)(Options&, std::string_view);
};

// --model and --rate are checked once the whole line is read: a rate is
// looked up in the lists of the model, wherever --model stands.
const OptionDef kOptions[] = {
    {"--port", true, kBoard | kSweep, [](Options& o, std::string_view v) { o.port = v; }},
    {"--model", true, kAll,
     [](Options& o, std::string_view v) {
       o.board = boardByKey(v);
       if (!o.board)
         throw UsageError("--model '" + std::string(v) + "' is not pellan2, quorin2 or pellan");
     }},
    {"--count", true, kMeasure | kSweep,
     [](Options& o, std::string_view v) {
       const std::optional<int32_t> n = numberOf<int32_t>(v);
       if (!n || *n < 0 || *n > kMaxCount)
         throw UsageError("--count '" + std::string(v) + "' is not a whole number from 0 to 65535");
       o.count = *n;
     }},
    {"--channels", true, kMeasure | kSweep,
     [](Options& o, std::string_view v) {
       if (v != "0" && v != "1" && v != "both")
         throw UsageError("--channels '" + std::string(v) + "' is not 0, 1 or both");
       o.channels = v == "0" ? Channels::Ch0 : v == "1" ? Channels::Ch1 : Channels::Both;
     }},
    {"--format", true, kMeasure | kSweep,
     [](Options& o, std::string_view v) {
       if (v != "binary" && v != "mv")
         throw UsageError("--format '" + std::string(v) + "' is not binary or mv");
       o.format = v == "binary" ? DataFormat::Binary : DataFormat::Millivolt;
     }},
    {"--rate", true, kMeasure, [](Options& o, std::string_view v) { o.rate = v; }},
    {"--out", true, kMeasure | kReport | kSweep, [](Options& o, std::string_view v) { o.out = v; }},
    {"--rates", true, kSweep, [](Options& o, std::string_view v) { o.rates = rateItems(v); }},
    {"--seconds", true, kSweep,
     [](Options& o, std::string_view v) {
       const std::optional<double> s = numberOf<double>(v);
       if (!s || !(*s > 0 && *s <= 1e6))
         throw UsageError("--seconds '" + std::string(v) + "' is not a number above 0 (to 1e6)");
       o.seconds = s;
     }},
    {"--note", true, kSweep, [](Options& o, std::string_view v) { o.note = v; }},
    {"--report", true, kMeasure, [](Options& o, std::string_view v) { o.report = v; }},
    {"--json", false, kAll, [](Options& o, std::string_view) { o.json = true; }},
    {"--quiet", false, kAll, [](Options& o, std::string_view) { o.quiet = true; }},
    {"--max-pp", true, kFigures,
     [](Options& o, std::string_view v) { o.maxPp = limitOf("--max-pp", v, 0, 1e9); }},
    {"--min-bits", true, kFigures,
     [](Options& o, std::string_view v) { o.minBits = limitOf("--min-bits", v, 0, 24); }},
};

std::string_view commandName(Command c) {
  constexpr std::string_view kNames[] = {"--help", "check",  "rate",      "rate set", "measure",
                                         "stats",  "report", "--version", "sweep"};
  return kNames[static_cast<size_t>(c)];
}

// The words that are not options: the command and its operands.
void takeWords(Options& o, std::span<const std::string_view> words) {
  if (words.empty()) throw UsageError("no command: check, rate, measure, sweep, stats or report");
  const std::string_view command = words.front();
  size_t used = 1;
  if (command == "check") {
    o.command = Command::Check;
  } else if (command == "rate") {
    o.command = Command::Rate;
    if (words.size() > 1) {
      if (words[1] != "set")
        throw UsageError("'rate " + std::string(words[1]) + "': only 'rate set' follows rate");
      if (words.size() < 3) throw UsageError("'rate set' needs a rate code or text");
      o.command = Command::RateSet;
      o.rate = words[2];
      used = 3;
    }
  } else if (command == "measure") {
    o.command = Command::Measure;
  } else if (command == "sweep") {
    o.command = Command::Sweep;
  } else if (command == "stats" || command == "report") {
    o.command = command == "stats" ? Command::Stats : Command::Report;
    if (words.size() < 2) throw UsageError("'" + std::string(command) + "' needs a data file");
    o.file = words[1];
    used = 2;
    while (o.command == Command::Report && used < words.size())
      o.compared.emplace_back(words[used++]);
  } else {
    throw UsageError("unknown command '" + std::string(command) + "'");
  }
  if (words.size() > used)
    throw UsageError("unexpected argument '" + std::string(words[used]) + "'");
}

// The model's name for a rate that is none of its: the codes and a text.
UsageError noRate(const Options& o, const std::string& rate) {
  return UsageError("'" + rate + "' is no rate of the " + std::string(o.board->name) +
                    ": a code from 0 to " + std::to_string(o.board->ratesSinc5.size() - 1) +
                    " or a text such as \"" + std::string(o.board->ratesSinc5.front()) + "\"");
}

// A rate's code in either filter's list (a text names the same code in both).
std::optional<int> eitherCode(const Options& o, std::string_view rate) {
  const std::optional<int> code = rateCodeIn(o.board->ratesSinc5, rate);
  return code ? code : rateCodeIn(o.board->ratesSinc3, rate);
}

void checkSweep(const Options& o) {
  if (o.out.empty()) throw UsageError("sweep needs --out DIR, the folder for its files");
  if (o.seconds && o.count >= 0) throw UsageError("sweep takes --count or --seconds, not both");
  if (o.count == 0) throw UsageError("sweep --count is from 1 to 65535");
  std::vector<int> codes;
  for (const std::string& rate : o.rates) {
    const std::optional<int> code = eitherCode(o, rate);
    if (!code) throw noRate(o, rate);
    if (std::find(codes.begin(), codes.end(), *code) != codes.end())
      throw UsageError("--rates: code " + std::to_string(*code) + " is listed twice");
    codes.push_back(*code);
  }
}

}  // namespace

Options parseArguments(std::span<const std::string_view> args) {
  Options o;
  o.board = boardByKey("pellan2");
  std::vector<std::string_view> words;
  std::vector<std::pair<const OptionDef*, std::string_view>> given;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") return Options{};
    if (arg == "--version") {
      Options version;
      version.command = Command::Version;
      return version;
    }
    if (!arg.starts_with("-") || arg == "-") {
      words.push_back(arg);
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const OptionDef* def = nullptr;
    for (const OptionDef& d : kOptions) def = d.name == name ? &d : def;
    if (!def) throw UsageError("unknown option '" + std::string(arg) + "'");
    std::string_view value;
    if (equals != std::string_view::npos) {
      if (!def->takesValue) throw UsageError(std::string(name) + " takes no value");
      value = arg.substr(equals + 1);
    } else if (def->takesValue) {
      if (i + 1 == args.size()) throw UsageError(std::string(name) + " needs a value");
      value = args[++i];
    }
    given.emplace_back(def, value);
  }
  takeWords(o, words);
  for (const auto& [def, value] : given) {
    if (!(def->commands & 1u << static_cast<int>(o.command)))
      throw UsageError(std::string(def->name) + " does not apply to " +
                       std::string(commandName(o.command)));
    def->apply(o, value);
  }
  if (o.command == Command::Measure && o.count < 0) throw UsageError("measure needs --count N");
  if (o.command == Command::Sweep) checkSweep(o);
  if (o.command == Command::Report && o.out.empty())
    throw UsageError("report needs --out REPORT.html");
  if (!o.compared.empty() && (o.maxPp || o.minBits))
    throw UsageError("--max-pp and --min-bits judge one data file: give report one, or stats each");
  if (o.minBits && o.format == DataFormat::Millivolt)
    throw UsageError("--min-bits needs binary data: mV data have no bits");
  // Both filters' lists are as long; a text must be in one of them.
  if (!o.rate.empty() && !eitherCode(o, o.rate)) throw noRate(o, o.rate);
  PortDevice port = portDeviceOf(o.port, o.board->highestPort);
  if (!port.error.empty()) throw UsageError("--port " + o.port + ": " + port.error);
  o.device = std::move(port.device);
  return o;
}

}  // namespace tarn::cli
