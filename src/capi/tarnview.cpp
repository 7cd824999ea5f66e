// The C interface: handles over the core, every exception turned into a
// status and the calling thread's message. It binds; the core decides.
#include "capi/tarnview.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/acquisition_texts.h"
#include "analysis/noise_analysis.h"
#include "analysis/values.h"
#include "board/board_texts.h"
#include "board/commands.h"
#include "board/port_names.h"
#include "capi/stoppable_port.h"
#include "common/numbers.h"
#include "common/system_clock.h"
#include "datafile/csv_lines.h"
#include "datafile/datafile_texts.h"
#include "datafile/save.h"
#include "report/comparison.h"
#include "workflow/files.h"
#include "workflow/json.h"
#include "workflow/reception.h"
#include "workflow/sweeping.h"

static_assert(TARNVIEW_VERSION_MAJOR == TARNVIEW_PROJECT_MAJOR &&
                  TARNVIEW_VERSION_MINOR == TARNVIEW_PROJECT_MINOR &&
                  TARNVIEW_VERSION_PATCH == TARNVIEW_PROJECT_PATCH,
              "tarnview.h's version is the project's");

using namespace tarn;

namespace {

thread_local std::string t_lastError;

// A failure with its status; the text is the program's message.
struct Failure {
  tarn_status status;
  std::string message;
};

// Runs `body`, turning what it throws into a status and the thread's message.
template <typename Body>
tarn_status guarded(Body&& body) noexcept {
  try {
    t_lastError.clear();
    body();
    return TARN_OK;
  } catch (Failure& f) {
    t_lastError = std::move(f.message);
    return f.status;
  } catch (const PortError& e) {
    t_lastError = std::string(board_texts::kPortLost) + " (" + e.what() + ")";
    return TARN_ERROR_PORT;
  } catch (const FileError& e) {
    t_lastError = e.what();
    return TARN_ERROR_FILE;
  } catch (const ReportError& e) {
    t_lastError = e.what();
    return TARN_ERROR_REPORT;
  } catch (const std::bad_alloc&) {
    t_lastError = "out of memory";
    return TARN_ERROR_INTERNAL;
  } catch (const std::exception& e) {
    t_lastError = e.what();
    return TARN_ERROR_INTERNAL;
  } catch (...) {
    t_lastError = "an unknown failure";
    return TARN_ERROR_INTERNAL;
  }
}

template <typename T>
T& need(T* handle, const char* what) {
  if (!handle) throw Failure{TARN_ERROR_ARGUMENT, std::string("no ") + what + " (NULL)"};
  return *handle;
}

// A text argument, which must not be NULL.
const char* text(const char* value, const char* what) { return &need(value, what); }

// Pellan2, the board the programs take when none is named.
const BoardProfile& defaultBoard() { return *boardByKey("pellan2"); }

}  // namespace

struct tarn_board {
  tarn_board(const BoardProfile& profile, std::string device)
      : profile(profile),
        device(std::move(device)),
        port(capi::makeStoppablePort()),
        link(port->port(), clock),
        reception(link, port->port(), clock, profile,
                  [this] { return stop.load(std::memory_order_relaxed); }) {}
  ~tarn_board() {
    try {
      if (link.isOpen()) link.resync();  // as the window leaves the board when it disconnects
    } catch (const PortError&) {
    }
    link.close();
  }

  // The rate the last check read, or a failure saying there is none.
  int currentRate() const {
    if (!connection.rate) throw Failure{TARN_ERROR_BOARD, std::string(profile.replyError)};
    return *connection.rate;
  }

  const BoardProfile& profile;
  std::string device;
  SystemClock clock;
  std::unique_ptr<capi::StoppablePort> port;
  BoardLink link;
  Reception reception;
  Connection connection{};
  std::atomic<bool> stop{false};
  static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets it");
};

// A run: a measurement, or a data file read back.
struct tarn_run {
  const BoardProfile* profile = &defaultBoard();
  std::unique_ptr<Measurement> measurement;
  std::optional<datafile::SavedFile> file;
  // The values, read as a measurement's records came, or from the file's
  // when first asked for.
  std::optional<SampleValues> values;
  std::once_flag valuesOnce;
  std::string status, dateTime;
  std::once_flag figuresOnce;
  std::string figures;

  const MeasurementSettings& settings() const {
    return measurement ? measurement->settings() : file->settings;
  }
  std::span<const SampleRecord> records() const {
    return measurement ? measurement->records() : std::span<const SampleRecord>(file->records);
  }
  const SampleValues& sampleValues() {
    std::call_once(valuesOnce, [this] {
      if (values) return;
      values.emplace(settings());
      values->update(records());
    });
    return *values;
  }
  std::vector<ChannelAnalysis> analysis() const {
    return analyseNoise(settings(), records(), profile->mvSummaryDivisor);
  }
};

// A sweep's runs, each with its file and end, and its report.
struct tarn_sweep {
  std::vector<std::unique_ptr<tarn_run>> runs;  // empty where nothing was measured
  std::vector<std::string> files;
  std::vector<const char*> ends;
  std::string report;
};

namespace {

// The board's connection from a connect or a check, or its failure thrown.
void take(tarn_board& b, Connected connected) {
  if (!connected.connection)
    throw Failure{connected.portFailed ? TARN_ERROR_PORT : TARN_ERROR_BOARD, connected.error};
  b.connection = std::move(*connected.connection);
}

// A measurement's count, channels and format, or the failure they are.
void checkChoices(int32_t count, tarn_channels channels, tarn_format format) {
  if (count < 0 || count > kMaxCount)
    throw Failure{TARN_ERROR_ARGUMENT, "count " + std::to_string(count) + " is not from 0 to " +
                                           std::to_string(kMaxCount)};
  if (channels < TARN_CHANNEL_0 || channels > TARN_CHANNELS_BOTH ||
      (format != TARN_FORMAT_BINARY && format != TARN_FORMAT_MV))
    throw Failure{TARN_ERROR_ARGUMENT, "no such channels or format"};
}

// The items of a comma-separated list; none for NULL or "".
std::vector<std::string> listItems(const char* list) {
  std::vector<std::string> items;
  for (std::string_view rest = list ? list : ""; !rest.empty();) {
    const size_t comma = std::min(rest.find(','), rest.size());
    items.emplace_back(rest.substr(0, comma));
    rest.remove_prefix(std::min(comma + 1, rest.size()));
  }
  return items;
}

// The values of one measured channel, each turned by `as`.
template <typename T, typename As>
void channelValues(const tarn_run* run, int channel, T* values, size_t capacity, size_t* written,
                   As&& as) {
  // The values are read once, whichever thread asks first.
  tarn_run& r = const_cast<tarn_run&>(need(run, "run"));
  const std::span<const int> fields = measuredFields(r.settings().channels);
  if (std::find(fields.begin(), fields.end(), channel) == fields.end())
    throw Failure{TARN_ERROR_ARGUMENT, "channel " + std::to_string(channel) + " is not measured"};
  if (!values && capacity > 0) throw Failure{TARN_ERROR_ARGUMENT, "no buffer (NULL)"};
  const std::span<const double> read = r.sampleValues().field(channel);
  const size_t n = std::min(capacity, read.size());
  std::transform(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(n), values, as);
  if (written) *written = n;
}

}  // namespace

extern "C" {

tarn_status tarn_version(int* major, int* minor, int* patch) {
  return guarded([&] {
    if (major) *major = TARNVIEW_VERSION_MAJOR;
    if (minor) *minor = TARNVIEW_VERSION_MINOR;
    if (patch) *patch = TARNVIEW_VERSION_PATCH;
  });
}

tarn_status tarn_last_error(const char** message) {
  if (!message) return TARN_ERROR_ARGUMENT;
  *message = t_lastError.c_str();
  return TARN_OK;
}

tarn_status tarn_board_open(const char* port, const char* model, tarn_board** board) {
  return guarded([&] {
    need(board, "board pointer") = nullptr;
    const BoardProfile* profile = model ? boardByKey(model) : &defaultBoard();
    if (!profile) throw Failure{TARN_ERROR_ARGUMENT, std::string("no board model ") + model};
    const PortDevice device = portDeviceOf(std::string(text(port, "port")), profile->highestPort);
    if (!device.error.empty())
      throw Failure{TARN_ERROR_ARGUMENT, std::string(port) + ": " + device.error};
    auto opened = std::make_unique<tarn_board>(*profile, device.device);
    take(*opened, connectBoard(opened->link, opened->device, opened->profile));
    *board = opened.release();
  });
}

tarn_status tarn_board_close(tarn_board* board) {
  return guarded([&] { delete board; });
}

tarn_status tarn_board_check(tarn_board* board) {
  return guarded([&] {
    tarn_board& b = need(board, "board");
    take(b, checkConnection(b.link, b.profile));
  });
}

tarn_status tarn_board_ident(tarn_board* board, const char** ident) {
  return guarded(
      [&] { need(ident, "ident pointer") = need(board, "board").connection.check.ident.c_str(); });
}

tarn_status tarn_board_settings(tarn_board* board, const char** settings) {
  return guarded([&] {
    need(settings, "settings pointer") = need(board, "board").connection.check.settings.c_str();
  });
}

tarn_status tarn_board_rate_count(tarn_board* board, int* count) {
  return guarded([&] {
    need(count, "count pointer") =
        static_cast<int>(need(board, "board").connection.check.rates.size());
  });
}

tarn_status tarn_board_rate_text(tarn_board* board, int code, const char** text) {
  return guarded([&] {
    const std::span<const std::string_view> rates = need(board, "board").connection.check.rates;
    if (code < 0 || code >= static_cast<int>(rates.size()))
      throw Failure{TARN_ERROR_ARGUMENT, "no rate code " + std::to_string(code)};
    // The rate lists are the profiles' constants, each text ending in NUL.
    need(text, "text pointer") = rates[static_cast<size_t>(code)].data();
  });
}

tarn_status tarn_board_rate(tarn_board* board, int* code) {
  return guarded([&] {
    tarn_board& b = need(board, "board");
    const std::optional<int> rate = readRate(b.link);
    if (!rate || *rate >= static_cast<int>(b.connection.check.rates.size()))
      throw Failure{TARN_ERROR_BOARD, std::string(b.profile.replyError)};
    b.connection.rate = rate;
    need(code, "code pointer") = *rate;
  });
}

tarn_status tarn_board_set_rate(tarn_board* board, const char* rate, int* code) {
  return guarded([&] {
    tarn_board& b = need(board, "board");
    const std::optional<int> wanted =
        rateCodeIn(b.connection.check.rates, std::string(text(rate, "rate")));
    if (!wanted)
      throw Failure{TARN_ERROR_ARGUMENT, "'" + std::string(rate) +
                                             "' is not offered with this filter (" +
                                             b.connection.check.settings + ")"};
    if (!setRate(b.link, *wanted)) throw Failure{TARN_ERROR_BOARD, board_texts::kRateNotSet};
    b.connection.rate = wanted;
    if (code) *code = *wanted;
  });
}

tarn_status tarn_board_measure(tarn_board* board, int32_t count, tarn_channels channels,
                               tarn_format format, tarn_progress progress, void* user,
                               tarn_run** run) {
  return guarded([&] {
    need(run, "run pointer") = nullptr;
    tarn_board& b = need(board, "board");
    checkChoices(count, channels, format);
    const int rate = b.currentRate();
    b.stop.store(false);
    b.port->clearWake();
    // The window's measurement: the rate sent first, then the start.
    if (!setRate(b.link, rate)) throw Failure{TARN_ERROR_BOARD, board_texts::kRateNotSet};
    auto r = std::make_unique<tarn_run>();
    r->profile = &b.profile;
    r->measurement = std::make_unique<Measurement>(
        measurementSettings(static_cast<DataFormat>(format), static_cast<Channels>(channels), count,
                            rate, std::string(b.connection.check.rates[static_cast<size_t>(rate)]),
                            b.connection.check.settings, b.clock.now()),
        b.profile.refusesWithNg);
    Measurement& m = *r->measurement;
    r->values.emplace(m.settings());
    r->status = b.reception.measure(m, *r->values, [&] {
      if (progress && progress(m.received(), count, user) != 0) b.stop.store(true);
    });
    r->values->update(m.records());  // a stopped or lost run's last records
    r->dateTime = datafile::dateTimeText(b.clock.localNow());
    if (m.state() == Measurement::State::Stopped || m.state() == Measurement::State::TableFull) {
      try {
        // The stream's tail, which would pass for the next command's reply,
        // as a sweep drops it between its runs.
        b.link.drain(std::chrono::milliseconds(50));
      } catch (const PortError&) {
        // Gone once stopped: the run is whole all the same.
      }
    }
    if (m.state() == Measurement::State::Refused)
      throw Failure{TARN_ERROR_BOARD, acquisition_texts::kRefused};
    const bool lost = m.state() == Measurement::State::PortLost;
    std::string message = r->status;
    *run = r.release();
    if (lost) throw Failure{TARN_ERROR_PORT, std::move(message)};
  });
}

tarn_status tarn_board_sweep(tarn_board* board, const char* rates, int32_t count, double seconds,
                             tarn_channels channels, tarn_format format, const char* folder,
                             const char* note, tarn_progress progress, void* user,
                             tarn_sweep** sweep) {
  return guarded([&] {
    need(sweep, "sweep pointer") = nullptr;
    tarn_board& b = need(board, "board");
    const std::string where = text(folder, "folder");
    checkChoices(count, channels, format);
    const int rate = b.currentRate();
    const BoardCheck& check = b.connection.check;
    const SweepPlan plan = sweepPlan(check, listItems(rates), count,
                                     seconds > 0 ? std::optional(seconds) : std::nullopt);
    if (!plan.error.empty()) throw Failure{TARN_ERROR_ARGUMENT, plan.error};
    b.stop.store(false);
    b.port->clearWake();
    Sweep s(b.link, b.clock,
            {b.profile, check.rates, check.settings, rate, static_cast<DataFormat>(format),
             static_cast<Channels>(channels)},
            plan.steps);
    const std::string date = datafile::dateTimeText(b.clock.localNow());
    std::vector<std::string> problems;
    const std::vector<std::string> files = runSweep(
        b.reception, s, b.clock, where,
        [&](const std::string& message) { problems.push_back(message); },
        [&] {
          if (progress && progress(static_cast<int32_t>(s.ended()),
                                   static_cast<int32_t>(s.runs().size()), user) != 0)
            b.stop.store(true);
        });
    const std::string program = "libtarnview " TARNVIEW_VERSION;
    const SweepResults results =
        sweepResults(s, files,
                     {b.profile.name, check.ident, check.settings, static_cast<DataFormat>(format),
                      static_cast<Channels>(channels), note ? note : "", date, program},
                     where, b.profile.mvSummaryDivisor);
    auto out = std::make_unique<tarn_sweep>();
    for (size_t i = 0; i < s.runs().size(); ++i) {
      const SweepRun& run = s.runs()[i];
      std::unique_ptr<tarn_run>& r = out->runs.emplace_back();
      if (run.measurement && run.measurement->received() > 0) {
        r = std::make_unique<tarn_run>();
        r->profile = &b.profile;
        r->measurement = std::make_unique<Measurement>(*run.measurement);
        r->status = endName(run.end);
        r->dateTime = date;
      }
      out->files.push_back(files[i]);
      out->ends.push_back(endName(run.end));
    }
    out->report = results.report;
    if (!results.error.empty()) problems.push_back(results.error);
    const std::vector<std::string> failed = sweepProblems(s, check.rates);
    problems.insert(problems.begin(), failed.begin(), failed.end());
    if (s.rateRestored()) b.connection.rate = rate;
    *sweep = out.release();
    if (problems.empty()) return;
    std::string message;
    for (const std::string& p : problems) message += (message.empty() ? "" : "\n") + p;
    throw Failure{s.portWasLost() ? TARN_ERROR_PORT : TARN_ERROR_BOARD, message};
  });
}

tarn_status tarn_sweep_runs(const tarn_sweep* sweep, size_t* runs, const char** report) {
  return guarded([&] {
    const tarn_sweep& s = need(sweep, "sweep");
    if (runs) *runs = s.runs.size();
    if (report) *report = s.report.c_str();
  });
}

tarn_status tarn_sweep_run(const tarn_sweep* sweep, size_t index, const tarn_run** run,
                           const char** file, const char** end) {
  return guarded([&] {
    const tarn_sweep& s = need(sweep, "sweep");
    if (index >= s.runs.size())
      throw Failure{TARN_ERROR_ARGUMENT, "no run " + std::to_string(index) + " in the sweep"};
    if (run) *run = s.runs[index].get();
    if (file) *file = s.files[index].c_str();
    if (end) *end = s.ends[index];
  });
}

tarn_status tarn_sweep_free(tarn_sweep* sweep) {
  return guarded([&] { delete sweep; });
}

tarn_status tarn_board_stop(tarn_board* board) {
  if (!board) return TARN_ERROR_ARGUMENT;
  board->stop.store(true);
  board->port->wake();
  return TARN_OK;
}

tarn_status tarn_read(const char* path, tarn_run** run) {
  return guarded([&] {
    need(run, "run pointer") = nullptr;
    DataFileRead read = readDataFileAt(std::string(text(path, "path")));
    if (!read.file) throw Failure{TARN_ERROR_FILE, read.error};
    auto r = std::make_unique<tarn_run>();
    r->dateTime = read.file->dateTime;
    r->file = std::move(read.file);
    *run = r.release();
  });
}

tarn_status tarn_run_free(tarn_run* run) {
  return guarded([&] { delete run; });
}

tarn_status tarn_run_settings(const tarn_run* run, tarn_format* format, tarn_channels* channels,
                              int32_t* requested, int* rate_code, const char** rate_text,
                              const char** board_settings) {
  return guarded([&] {
    const MeasurementSettings& s = need(run, "run").settings();
    if (format) *format = static_cast<tarn_format>(s.format);
    if (channels) *channels = static_cast<tarn_channels>(s.channels);
    if (requested) *requested = s.count;
    if (rate_code) *rate_code = s.rateCode;
    if (rate_text) *rate_text = s.rateText.c_str();
    if (board_settings) *board_settings = s.boardSettings.c_str();
  });
}

tarn_status tarn_run_counts(const tarn_run* run, int32_t* received, int32_t* discarded,
                            tarn_end* end, const char** status) {
  return guarded([&] {
    const tarn_run& r = need(run, "run");
    const Measurement* m = r.measurement.get();
    if (received) *received = static_cast<int32_t>(r.records().size());
    if (discarded) *discarded = m ? m->discarded() : r.file->leftOut;
    if (end) *end = m ? static_cast<tarn_end>(m->state()) : TARN_END_FINISHED;
    if (status) *status = r.status.c_str();
  });
}

tarn_status tarn_run_codes(const tarn_run* run, int channel, int64_t* values, size_t capacity,
                           size_t* written) {
  return guarded([&] {
    if (need(run, "run").settings().format != DataFormat::Binary)
      throw Failure{TARN_ERROR_ARGUMENT, "mV data have no codes"};
    channelValues(run, channel, values, capacity, written,
                  [](double v) { return static_cast<int64_t>(v); });
  });
}

tarn_status tarn_run_millivolts(const tarn_run* run, int channel, double* values, size_t capacity,
                                size_t* written) {
  return guarded([&] {
    if (need(run, "run").settings().format != DataFormat::Millivolt)
      throw Failure{TARN_ERROR_ARGUMENT, "binary data are codes, not mV"};
    channelValues(run, channel, values, capacity, written, [](double v) { return v; });
  });
}

tarn_status tarn_run_save(const tarn_run* run, const char* path) {
  return guarded([&] {
    const tarn_run& r = need(run, "run");
    try {
      saveDataFile(r.settings(), r.records(), r.dateTime, std::string(text(path, "path")));
    } catch (const FileError& e) {
      throw Failure{TARN_ERROR_FILE,
                    std::string(datafile_texts::kSaveFailed) + " (" + e.what() + ")"};
    }
  });
}

tarn_status tarn_run_figures(tarn_run* run, const char** json) {
  return guarded([&] {
    tarn_run& r = need(run, "run");
    std::call_once(r.figuresOnce, [&] { r.figures = figuresJson(r.analysis()); });
    need(json, "json pointer") = r.figures.c_str();
  });
}

tarn_status tarn_report(const tarn_run* const* runs, size_t count, const char* path) {
  return guarded([&] {
    const std::string target = text(path, "path");
    if (!runs || count == 0) throw Failure{TARN_ERROR_ARGUMENT, "no runs to report"};
    std::vector<std::vector<ChannelAnalysis>> analyses;
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) {
      analyses.push_back(need(runs[i], "run").analysis());
      names.push_back("run " + std::to_string(i + 1));
    }
    const auto header = [&](size_t i) {
      const tarn_run& r = *runs[i];
      return ReportHeader{r.settings(), static_cast<int32_t>(r.records().size()), r.profile->name,
                          r.dateTime};
    };
    if (count == 1) {
      replaceFile(target, reportHtml(header(0), analyses[0]));
      return;
    }
    std::vector<ComparedRun> compared;
    for (size_t i = 0; i < count; ++i) compared.push_back({names[i], header(i), analyses[i]});
    replaceFile(target, comparisonHtml(compared));
  });
}

}  // extern "C"
