#include "cli/session.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>

#include "acquisition/acquisition_texts.h"
#include "acquisition/sweep.h"
#include "analysis/values.h"
#include "board/board_texts.h"
#include "board/commands.h"
#include "cli/compare.h"
#include "cli/options.h"
#include "cli/output.h"
#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "datafile/datafile_texts.h"
#include "datafile/save.h"
#include "datafile/saved_file.h"
#include "report/report.h"
#include "report/sweep_report.h"
#include "workflow/files.h"
#include "workflow/reception.h"
#include "workflow/sweeping.h"

namespace tarn::cli {
namespace {

namespace bt = board_texts;
namespace at = acquisition_texts;
using namespace std::chrono_literals;

// A line of progress on the terminal ("12/1000  503 records/s  0:02 left"),
// redrawn at most five times a second.
class Progress {
 public:
  Progress(Context& c, bool shown) : c_(c), shown_(shown) {}
  // `text` is given the seconds since the progress began.
  template <typename Text>
  void show(Text&& text) {
    const SteadyTime now = c_.clock.now();
    if (!shown_ || now - last_ < 200ms) return;
    last_ = now;
    c_.err << "\r" << text(std::chrono::duration<double>(now - start_).count()) << "\033[K"
           << std::flush;
    drawn_ = true;
  }
  ~Progress() {
    if (drawn_) c_.err << "\r\033[K" << std::flush;
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  Context& c_;
  bool shown_;
  SteadyTime start_ = c_.clock.now(), last_{};
  bool drawn_ = false;
};

// A measurement's progress: the count, the records a second and the time left.
std::string measureProgress(int32_t received, int32_t count, double seconds) {
  const double rate = seconds > 0 ? received / seconds : 0;
  std::string text = std::to_string(received);
  // Appended piece by piece: GCC 12 at -O3 takes "/" + a temporary for an
  // overlapping copy (-Wrestrict) once this is inlined into the reception.
  if (count > 0) text.append("/").append(std::to_string(count));
  text.append("  ").append(fixedNumber(rate, 1)).append(" records/s");
  if (count > 0 && rate > 0) {
    const long left = std::lround((count - received) / rate);
    char clock[32];
    std::snprintf(clock, sizeof clock, "  %ld:%02ld left", left / 60, left % 60);
    text += clock;
  }
  return text;
}

class Session {
 public:
  Session(Context& c, const Options& o)
      : c_(c),
        o_(o),
        board_(*o.board),
        link_(c.port, c.clock),
        reception_(link_, c.port, c.clock, board_, [&c] { return c.interrupted != 0; }) {}

  int run() {
    if (o_.command == Command::Stats || o_.command == Command::Report) return stats();
    if (o_.command == Command::Sweep) {
      try {
        makeFolder(o_.out);  // before anything is sent: a sweep's files must have a place
      } catch (const FileError& e) {
        fail("cannot make the folder " + o_.out + ": " + e.what());
        return 1;
      }
    }
    int status = 1;
    try {
      status = onBoard();
    } catch (const PortError& e) {
      fail(std::string(bt::kPortLost) + " (" + e.what() + ")");
    }
    try {
      link_.resync();  // as the window leaves the board when it disconnects
    } catch (const PortError&) {
    }
    link_.close();
    return status;
  }

 private:
  // Human text goes out in the user's character set, JSON in UTF-8.
  void say(const std::string& utf8) {
    c_.out << (o_.json ? utf8 : datafile::encodeText(utf8, c_.outCharset).value_or(utf8)) << '\n';
  }
  void fail(const std::string& utf8) {
    c_.err << datafile::encodeText(utf8, c_.errCharset).value_or(utf8) << '\n';
  }

  int onBoard() {
    Connected connected = connectBoard(link_, o_.device, board_);
    if (!connected.connection) {
      fail(connected.error);
      return 1;
    }
    check_ = std::move(connected.connection->check);
    rate_ = connected.connection->rate;  // only a set rate does without
    if (!o_.rate.empty()) {
      const std::optional<int> wanted = rateCodeIn(check_.rates, o_.rate);
      if (!wanted) {
        fail("'" + o_.rate + "' is not offered with this filter (" + check_.settings + ")");
        return 2;
      }
      rate_ = wanted;
    } else if (!rate_) {
      fail(std::string(board_.replyError));
      return 1;
    }
    switch (o_.command) {
      case Command::Check:
        return check();
      case Command::Rate:
        return report(bt::kRateRead);
      case Command::RateSet:
        if (!tarn::setRate(link_, *rate_)) {
          fail(bt::kRateNotSet);
          return 1;
        }
        return report(bt::kRateSet);
      case Command::Sweep:
        return sweep();
      default:
        return measure();
    }
  }

  JsonObject boardJson() const {
    JsonObject o;
    constexpr const char* kCommands[] = {"",      "check",  "rate", "rate set", "measure",
                                         "stats", "report", "",     "sweep"};
    o.text("command", kCommands[static_cast<int>(o_.command)])
        .text("model", board_.key)
        .text("port", o_.port)
        .text("device", o_.device)
        .text("line", board_.line.text())
        .text("settings", check_.settings);
    return o.raw("rate",
                 JsonObject().number("code", *rate_).text("text", check_.rates[*rate_]).str());
  }
  std::string rateLine() const {
    return "rate: " + std::string(check_.rates[*rate_]) + " (code " + std::to_string(*rate_) + ")";
  }

  int check() {
    std::string rates, list;
    for (size_t i = 0; i < check_.rates.size(); ++i) {
      if (i > 0) {
        rates += ',';
        list += ' ';
      }
      rates += jsonString(check_.rates[i]);
      list += std::to_string(i) + "=" + std::string(check_.rates[i]);
    }
    if (o_.json) {
      say(boardJson().text("status", board_.boardOk).raw("rates", "[" + rates + "]").str());
      return 0;
    }
    say(std::string(board_.boardOk));
    say("settings: " + check_.settings);
    say("line: " + board_.line.text() + " on " + o_.device);
    say(rateLine());
    say("rates: " + list);
    return 0;
  }

  int report(const char* status) {
    if (o_.json) {
      say(boardJson().text("status", status).str());
    } else {
      say(status);
      say(rateLine());
    }
    return 0;
  }

  // The window's measurement: the rate sent first, then the start, the
  // records until the count, a Ctrl-C, a full table or a lost port.
  int measure() {
    if (!tarn::setRate(link_, *rate_)) {
      fail(bt::kRateNotSet);
      return 1;
    }
    Measurement m(measurementSettings(o_.format, o_.channels, o_.count, *rate_,
                                      std::string(check_.rates[static_cast<size_t>(*rate_)]),
                                      check_.settings, c_.clock.now()),
                  board_.refusesWithNg);
    std::string summary;
    c_.catchInterrupts(true);
    {
      Progress progress(c_, c_.errIsTerminal && !o_.quiet);
      SampleValues values(m.settings());
      summary = reception_.measure(m, values, [&] {
        progress.show([&](double s) { return measureProgress(m.received(), o_.count, s); });
      });
    }
    c_.catchInterrupts(false);
    const double seconds =
        std::chrono::duration<double>(c_.clock.now() - m.settings().started).count();
    if (m.state() == Measurement::State::Refused) {
      fail(at::kRefused);
      return 1;
    }
    // A lost port, or records that all broke the framing, fail the run: the
    // summary goes to stderr as its message.
    const bool failed = m.state() == Measurement::State::PortLost ||
                        (m.received() == 0 && m.state() != Measurement::State::Stopped);
    if (failed) fail(summary);
    int status = failed ? 1 : 0;
    std::string saved;
    if (!o_.out.empty() && m.received() > 0) {
      if (saveData(m, o_.out))
        saved = o_.out;
      else
        status = 1;
    }
    const std::vector<ChannelAnalysis> figures =
        analyseNoise(m.settings(), m.records(), board_.mvSummaryDivisor);
    std::string reported;
    if (!o_.report.empty() && m.received() > 0) {
      const std::string date = datafile::dateTimeText(c_.clock.localNow());
      if (writeReport({m.settings(), m.received(), board_.name, date}, figures, o_.report) == 0)
        reported = o_.report;
      else
        status = 1;
    }
    const Verdict verdict = judge(figures, o_.maxPp, o_.minBits);
    if (o_.json) {
      constexpr const char* kEnds[] = {"running", "finished", "table full",
                                       "refused", "stopped",  "port lost"};
      JsonObject o = boardJson();
      o.text("format", formatName(o_.format))
          .text("channels", channelsName(o_.channels))
          .number("requested", o_.count)
          .number("received", m.received())
          .number("discarded", m.discarded())
          .text("end", kEnds[static_cast<int>(m.state())])
          .text("status", summary)
          .number("seconds", seconds)
          .text("unit", unitOf(o_.format))
          .raw("figures", figuresJson(figures))
          .raw("file", saved.empty() ? "null" : jsonString(saved))
          .raw("report", reported.empty() ? "null" : jsonString(reported));
      if (verdict.judged) o.raw("limits", verdictJson(verdict, o_.maxPp, o_.minBits));
      say(o.str());
    } else {
      if (!failed) say(summary);
      for (const ChannelAnalysis& f : figures)
        if (f.figures.count > 0) sayFigures(f);
      if (!saved.empty()) say("saved: " + saved);
      if (!reported.empty()) say("report: " + reported);
      if (verdict.judged) say(verdictLine(verdict));
    }
    return status == 0 && !verdict.pass ? 3 : status;
  }

  // The records as the window saves them, at `path`; false, and said, when
  // they cannot be written.
  bool saveData(const Measurement& m, const std::string& path) {
    try {
      saveDataFile(m.settings(), m.records(), datafile::dateTimeText(c_.clock.localNow()), path);
      return true;
    } catch (const FileError& e) {
      fail(std::string(datafile_texts::kSaveFailed) + " (" + e.what() + ")");
      return false;
    }
  }

  // Every rate of the plan in turn, each run saved as it ends, then the
  // table, the report, and the board back at the rate it was at.
  int sweep() {
    const SweepPlan plan = sweepPlan(check_, o_.rates, o_.count, o_.seconds);
    if (!plan.error.empty()) {
      fail(plan.error);  // a text that only the board's other filter offers
      return 2;
    }
    Sweep sweep(link_, c_.clock,
                {board_, check_.rates, check_.settings, *rate_, o_.format, o_.channels},
                plan.steps);
    if (!o_.quiet) c_.err << "sweep: " << sweep.plannedText() << std::endl;
    const std::string date = datafile::dateTimeText(c_.clock.localNow());
    const SteadyTime started = c_.clock.now();
    bool saveFailed = false;
    std::vector<std::string> files;
    c_.catchInterrupts(true);
    {
      Progress progress(c_, c_.errIsTerminal && !o_.quiet);
      files = runSweep(
          reception_, sweep, c_.clock, o_.out,
          [&](const std::string& message) {
            fail(message);
            saveFailed = true;
          },
          [&] { progress.show([&](double) { return sweep.progressText(); }); });
    }
    c_.catchInterrupts(false);
    const double seconds = std::chrono::duration<double>(c_.clock.now() - started).count();
    return reportSweep(sweep, files, date, seconds) && !saveFailed ? 0 : 1;
  }

  // The sweep's figures, report, messages and table or JSON; true when every
  // rate finished, the report was written and the rate set back.
  bool reportSweep(const Sweep& sweep, std::span<const std::string> files, const std::string& date,
                   double seconds) {
    const std::string program = "tarnview-cli " TARNVIEW_VERSION;
    const SweepResults results =
        tarn::sweepResults(sweep, files,
                           {board_.name, check_.ident, check_.settings, o_.format, o_.channels,
                            o_.note, date, program},
                           o_.out, board_.mvSummaryDivisor);
    if (!results.error.empty()) fail(results.error);
    const std::vector<std::vector<ChannelAnalysis>>& figures = results.figures;
    const std::string& reported = results.report;

    const std::vector<std::string> problems = sweepProblems(sweep, check_.rates);
    for (const std::string& problem : problems) fail(problem);

    if (o_.json) {
      std::string runs = "[";
      for (size_t i = 0; i < sweep.runs().size(); ++i)
        runs.append(i > 0 ? "," : "").append(sweepRunJson(sweep.runs()[i], files[i], figures[i]));
      JsonObject o = boardJson();
      o.text("ident", check_.ident)
          .text("format", formatName(o_.format))
          .text("channels", channelsName(o_.channels))
          .text("note", o_.note)
          .number("plannedSeconds", sweep.plannedSeconds())
          .number("seconds", seconds)
          .raw("rateRestored", sweep.rateRestored() ? "true" : "false")
          .raw("portLost", sweep.portWasLost() ? "true" : "false")
          .text("unit", unitOf(o_.format))
          .raw("report", reported.empty() ? "null" : jsonString(reported))
          .raw("runs", runs + "]");
      say(o.str());
    } else {
      say(sweepHeading(o_.channels, o_.format));
      for (size_t i = 0; i < sweep.runs().size(); ++i)
        say(sweepRow(sweep.runs()[i], figures[i], o_.channels));
      say("saved: " + o_.out);
      if (!reported.empty()) say("report: " + reported);
    }
    return problems.empty() && !reported.empty();
  }

  int stats() {
    if (!o_.compared.empty()) return compareFiles(c_, o_);
    DataFileRead read = readDataFileAt(o_.file);
    if (!read.file) {
      fail(read.error);
      return read.status;
    }
    const datafile::SavedFile& file = *read.file;
    const MeasurementSettings& s = file.settings;
    if (o_.minBits && s.format == DataFormat::Millivolt) {
      fail("--min-bits needs binary data: " + o_.file + " holds mV data");
      return 2;
    }
    const std::vector<ChannelAnalysis> figures =
        analyseNoise(s, file.records, board_.mvSummaryDivisor);
    if (o_.command == Command::Report) {
      const int status = writeReport({s, s.count, board_.name, file.dateTime}, figures, o_.out);
      if (status != 0) return status;
    }
    const Verdict verdict = judge(figures, o_.maxPp, o_.minBits);
    if (o_.json) {
      JsonObject o;
      fileMembers(o.text("command", o_.command == Command::Stats ? "stats" : "report"), o_.file,
                  file)
          .raw("figures", figuresJson(figures))
          .raw("report", o_.out.empty() ? "null" : jsonString(o_.out));
      if (verdict.judged) o.raw("limits", verdictJson(verdict, o_.maxPp, o_.minBits));
      say(o.str());
    } else {
      for (const std::string& line : fileLines(o_.file, file)) say(line);
      for (const ChannelAnalysis& f : figures) sayFigures(f);
      if (!o_.out.empty()) say("report: " + o_.out);
      if (verdict.judged) say(verdictLine(verdict));
    }
    return verdict.pass ? 0 : 3;
  }

  void sayFigures(const ChannelAnalysis& f) {
    say(figureLine(f, f.format));
    say(intervalLine(f));
    say(noiseLine(f));
    say(linesLine(f));
  }

  // The report at `path`; the exit status: 2 for records that give none, 1
  // for a file that cannot be written.
  int writeReport(const ReportHeader& header, std::span<const ChannelAnalysis> figures,
                  const std::string& path) {
    try {
      replaceFile(path, reportHtml(header, figures));
      return 0;
    } catch (const ReportError& e) {
      fail("no report of " + (o_.file.empty() ? std::string("the measurement") : o_.file) + ": " +
           e.what());
      return 2;
    } catch (const FileError& e) {
      fail("cannot write the report " + path + ": " + e.what());
      return 1;
    }
  }

  Context& c_;
  const Options& o_;
  const BoardProfile& board_;
  BoardLink link_;
  Reception reception_;
  BoardCheck check_{};
  std::optional<int> rate_;
};

}  // namespace

int run(std::span<const std::string_view> args, Context& context) {
  const auto local = [](const std::string& utf8, const std::string& charset) {
    return datafile::encodeText(utf8, charset).value_or(utf8);
  };
  Options options;
  try {
    options = parseArguments(args);
  } catch (const UsageError& e) {
    context.err << local("tarnview-cli: " + std::string(e.what()), context.errCharset)
                << "\nTry 'tarnview-cli --help'.\n";
    return 2;
  }
  if (options.command == Command::Help) {
    context.out << local(usageText(), context.outCharset);
    return 0;
  }
  if (options.command == Command::Version) {
    context.out << versionText();
    return 0;
  }
  return Session(context, options).run();
}

}  // namespace tarn::cli
