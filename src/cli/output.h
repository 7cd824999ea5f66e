#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"
#include "acquisition/sweep.h"
#include "analysis/noise_analysis.h"
#include "datafile/saved_file.h"
#include "workflow/json.h"

namespace tarn::cli {

const char* unitOf(DataFormat format);  // "codes" or "mV"
const char* formatName(DataFormat format);
const char* channelsName(Channels channels);

// A data file's header as stats prints it: "file: run.csv (UTF-8, 2026/12/08
// 9:30:00)", its settings, rate and channels, and the rows left out.
std::vector<std::string> fileLines(std::string_view path, const datafile::SavedFile& file);
// The same as JSON members: file, charset, date, settings, rate, channelText,
// format, channels, received, discarded and unit.
JsonObject& fileMembers(JsonObject& o, std::string_view path, const datafile::SavedFile& file);

// "CH0 count=1000 mean=8390843.512 sd=61.234 pp=380 unit=codes
// noise_free_bits=15.43 effective_bits=18.06"
std::string figureLine(const ChannelAnalysis& f, DataFormat format);
// "CH0 noise: rms=5.960uV pp=113.249uV density=1.234codes/rtHz=0.368uV/rtHz" and
// "CH0 lines: 50.00Hz 12.345codes 3.679uV (50 Hz mains); ...": the short form
// of the report's figures, with its decimals.
std::string noiseLine(const ChannelAnalysis& f);
std::string linesLine(const ChannelAnalysis& f);
// "CH0 sd 95% interval: 0.918..1.004codes 0.274..0.299uV (chi-square, n-1 dof;
// assumes independent values)"
std::string intervalLine(const ChannelAnalysis& f);

// The sweep's table: its heading, and one line per planned rate: the rate,
// the records (valid / asked for), the end, and per measured channel sd and
// pp in the data's unit, both in µV where they apply, effective resolution
// and noise-free bits, with stats's decimals; "-" where a figure is missing.
std::string sweepHeading(Channels channels, DataFormat format);
std::string sweepRow(const SweepRun& run, std::span<const ChannelAnalysis> figures,
                     Channels channels);
// {"rate":{"code":3,"text":"10sps"},"count":...,"received":...,"discarded":...,
// "file":...,"end":"finished","figures":[...]}; "file" null when none was written.
std::string sweepRunJson(const SweepRun& run, std::string_view file,
                         std::span<const ChannelAnalysis> figures);

// The pass/fail of the limits, when any is given: every channel must keep
// its peak-to-peak at most maxPp and its noise-free bits at least minBits.
// No figures at all miss every limit.
struct Verdict {
  bool judged = false, pass = true;
  std::vector<std::string> misses;  // "CH0 pp=420 > 300"
};
Verdict judge(std::span<const ChannelAnalysis> figures, std::optional<double> maxPp,
              std::optional<double> minBits);
std::string verdictLine(const Verdict& v);  // "limits: pass", "limits: FAIL CH0 pp=420 > 300"
std::string verdictJson(const Verdict& v, std::optional<double> maxPp,
                        std::optional<double> minBits);

}  // namespace tarn::cli
