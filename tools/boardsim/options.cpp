#include "options.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace boardsim {
namespace {

template <class T>
T Number(std::string_view text, T lo, T hi) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !(value >= lo && value <= hi)) {
    std::ostringstream message;
    message << "'" << text << "' is not a number from " << lo << " to " << hi;
    throw UsageError(message.str());
  }
  return value;
}

double Millivolts(std::string_view text) { return Number(text, -1e4, 1e4); }

// The rate code as one hexadecimal digit ("B") or in decimal ("11").
int RateCode(std::string_view text) {
  if (text.size() == 1 && std::isxdigit(static_cast<unsigned char>(text[0]))) {
    const int c = std::toupper(static_cast<unsigned char>(text[0]));
    return c <= '9' ? c - '0' : c - 'A' + 10;
  }
  return Number(text, 0, 15);
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    const char next = i + 1 < text.size() ? text[++i] : '\0';
    if (next == 'r') {
      out += '\r';
    } else if (next == 'n') {
      out += '\n';
    } else if (next == '\\') {
      out += '\\';
    } else {
      throw UsageError("only \\r, \\n and \\\\ are known escapes");
    }
  }
  return out;
}

struct OptionDef {
  std::string_view name;
  std::string_view value;  // empty for a flag
  std::string_view help;
  void (*apply)(Options&, std::string_view);
};

const OptionDef kOptionDefs[] = {
    {"--model", "NAME", "pellan2 (115200 baud, default), quorin2 (38400) or pellan (older board)",
     [](Options& o, std::string_view v) {
       const auto model = ModelFromName(v);
       if (!model) throw UsageError("'" + std::string(v) + "' is not pellan2, quorin2 or pellan");
       o.board.model = *model;
     }},
    {"--status", "XY", "status digits: X reference/range 0|1, Y filter 3|5 (default 05)",
     [](Options& o, std::string_view v) {
       if (v.size() != 2 || (v[0] != '0' && v[0] != '1') || (v[1] != '3' && v[1] != '5')) {
         throw UsageError("'" + std::string(v) + "' is not 0 or 1 followed by 3 or 5");
       }
       o.board.reference = v[0];
       o.board.filter = v[1];
     }},
    {"--rate", "CODE", "starting rate code, one hex digit or decimal (default 7)",
     [](Options& o, std::string_view v) { o.board.rate = RateCode(v); }},
    {"--offset0", "MV", "CH0 offset in mV (default 1.2345)",
     [](Options& o, std::string_view v) { o.board.channels[0].offset_mv = Millivolts(v); }},
    {"--offset1", "MV", "CH1 offset in mV (default -0.5)",
     [](Options& o, std::string_view v) { o.board.channels[1].offset_mv = Millivolts(v); }},
    {"--sine", "AMP_MV,HZ", "add a sine to both channels",
     [](Options& o, std::string_view v) {
       const size_t comma = v.find(',');
       if (comma == v.npos) throw UsageError("expected AMP_MV,HZ");
       for (auto& channel : o.board.channels) {
         channel.sine_mv = Millivolts(v.substr(0, comma));
         channel.sine_hz = Number(v.substr(comma + 1), 0.0, 1e4);
       }
     }},
    {"--noise", "UV_RMS",
     "fixed Gaussian noise of both channels in uV rms at the input. By default\n"
     "the noise follows a model of the converter, not a measurement: 5.0 uV rms x\n"
     "sqrt(rate / 31250 sps) at the rate the board reports: at +-2.5 V about 3 codes\n"
     "rms at 1007 sps, 0.7 at 59.52 sps; the same uV, so half the codes, on the\n"
     "pellan's +-5 V range",
     [](Options& o, std::string_view v) { o.board.noise_uv = Number(v, 0.0, 1e6); }},
    {"--seed", "N", "seed of the noise (default 1)",
     [](Options& o, std::string_view v) { o.board.seed = Number<uint64_t>(v, 0, UINT64_MAX); }},
    {"--no-pacing", "", "send as fast as the device takes it",
     [](Options& o, std::string_view) { o.pacing = false; }},
    {"--latency-ms", "N",
     "send what is due in batches every N ms, as a USB serial adapter's latency\n"
     "timer does (16 ms by default); nothing leaves before it is due. Default:\n"
     "each record as soon as it is due",
     [](Options& o, std::string_view v) { o.latency_ms = Number(v, 1, 1000); }},
    {"--link", "PATH", "make PATH a symlink to the device while serving",
     [](Options& o, std::string_view v) { o.link = v; }},
    {"--device", "PATH", "serve an existing serial device instead of a new pty",
     [](Options& o, std::string_view v) { o.device = v; }},
    {"--ignore-stdin", "", "keep serving when standard input closes",
     [](Options& o, std::string_view) { o.ignore_stdin = true; }},
    {"--exclusive", "",
     "open to one program at a time, as a Windows COM port is: while a program\n"
     "has the pseudo-terminal open, it refuses other opens (it is locked). Wine\n"
     "lets any number of programs open a port, so this plays a port held by another",
     [](Options& o, std::string_view) { o.exclusive = true; }},
    {"--silent", "", "fault: answer nothing",
     [](Options& o, std::string_view) { o.silent = true; }},
    {"--reply-delay", "MS", "fault: delay every reply",
     [](Options& o, std::string_view v) { o.reply_delay_ms = Number(v, 0, 60'000); }},
    {"--trickle", "", "fault: send replies one character at a time, 2 ms apart",
     [](Options& o, std::string_view) { o.trickle = true; }},
    {"--stray", "TEXT", "fault: send TEXT before every reply (escapes \\r \\n \\\\)",
     [](Options& o, std::string_view v) { o.stray = Unescape(v); }},
    {"--refuse", "", "fault: refuse every start with NG (not the pellan)",
     [](Options& o, std::string_view) { o.board.refuse = true; }},
    {"--drop-every", "N", "fault: drop every Nth character of the record stream",
     [](Options& o, std::string_view v) { o.board.drop_every = Number(v, 2u, UINT32_MAX); }},
    {"--insert-every", "N", "fault: add a digit after every Nth character of the record stream",
     [](Options& o, std::string_view v) { o.board.insert_every = Number(v, 1u, UINT32_MAX); }},
    {"--unplug-after", "N", "fault: close the device after N records and exit",
     [](Options& o, std::string_view v) { o.unplug_after = Number<uint64_t>(v, 1, UINT64_MAX); }},
    {"--unplug-at-command", "N", "fault: close the device when command line N arrives, and exit",
     [](Options& o, std::string_view v) {
       o.unplug_at_command = Number<uint64_t>(v, 1, UINT64_MAX);
     }},
    {"--garbage-every", "N", "fault: replace every Nth record by garbage of its length",
     [](Options& o, std::string_view v) { o.board.garbage_every = Number(v, 1u, UINT32_MAX); }},
    {"--corrupt-every", "N", "fault: replace one character of every Nth record by a letter",
     [](Options& o, std::string_view v) { o.board.corrupt_every = Number(v, 1u, UINT32_MAX); }},
    {"--help", "", "show this help", [](Options& o, std::string_view) { o.help = true; }},
    {"--version", "", "show the program's name and version",
     [](Options& o, std::string_view) { o.version = true; }},
};

}  // namespace

Options ParseOptions(std::span<const std::string_view> args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const OptionDef* def = nullptr;
    for (const OptionDef& s : kOptionDefs) def = s.name == name ? &s : def;
    if (def == nullptr) throw UsageError("unknown option '" + std::string(arg) + "'");
    const std::string where(name);
    std::string_view value;
    if (equals != arg.npos) {
      if (def->value.empty()) throw UsageError(where + " takes no value");
      value = arg.substr(equals + 1);
    } else if (!def->value.empty()) {
      if (i + 1 == args.size()) throw UsageError(where + " needs " + std::string(def->value));
      value = args[++i];
    }
    try {
      def->apply(options, value);
    } catch (const UsageError& e) {
      throw UsageError(where + ": " + e.what());
    }
  }
  const auto rates = RateList(options.board.model, options.board.filter);
  if (options.board.rate >= static_cast<int>(rates.size())) {
    throw UsageError("--rate: code " + std::to_string(options.board.rate) + " is beyond the " +
                     std::to_string(rates.size()) + " rates of this model and filter");
  }
  if (options.exclusive && !options.device.empty()) {
    throw UsageError("--exclusive: only the pseudo-terminal can be locked");
  }
  if (options.board.refuse && options.board.model == Model::kPellan) {
    throw UsageError("--refuse: the pellan never refuses a start");
  }
  return options;
}

std::string Usage() {
  std::string text =
      "Usage: tarnboard [OPTION]...\n"
      "Plays the data-acquisition board on a new pseudo-terminal. Prints the device path as the\n"
      "first line, then serves until killed or until standard input closes.\n"
      "Commands (CR-terminated): ? S? F? F<code> A|M<channel 0-2><count, 4 hex digits> AX MX;\n"
      "while a stream runs only AX and MX are heeded.\n\n";
  for (const OptionDef& s : kOptionDefs) {
    std::string left = "  " + std::string(s.name) + (s.value.empty() ? "" : " ");
    left += s.value;
    left.resize(std::max<size_t>(left.size() + 1, 24), ' ');
    text += left;
    // Help texts break their own lines; the breaks keep the column.
    for (const char c : s.help) text += c == '\n' ? "\n" + std::string(24, ' ') : std::string(1, c);
    text += "\n";
  }
  return text;
}

}  // namespace boardsim
