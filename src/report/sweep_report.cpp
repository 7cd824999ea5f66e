#include "report/sweep_report.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "report/charts.h"
#include "report/report.h"

namespace tarn {
namespace {

// The unit of the table and the picture: µV, from codes over the input range
// or from mV; codes when the settings name no range.
struct TableUnit {
  std::string name;
  double perValue;  // the unit's value of one code, or of one mV
  int ppDecimals;
};

TableUnit tableUnit(const SweepConditions& c) {
  if (c.format == DataFormat::Millivolt) return {"µV", 1000, kMicrovoltDecimals};
  if (const std::optional<InputRange> range = inputRangeOf(c.settings))
    return {"µV", range->microvoltsPerCode(), kMicrovoltDecimals};
  return {"codes", 1, 0};
}

std::string cell(std::string_view text) { return "<td>" + markupText(text) + "</td>"; }

// Each number its own element, so that it reads as one.
std::string number(double value, int decimals) {
  return "<span>" + fixedNumber(value, decimals) + "</span>";
}

std::string rateName(const SweepRun& run) {
  return run.rateText + " (code " + std::to_string(run.step.rateCode) + ")";
}

// What happened at a rate that gave no records.
std::string noRecords(SweepRun::End end) {
  switch (end) {
    case SweepRun::End::Refused:
      return "the board refused the start (NG)";
    case SweepRun::End::RateNotSet:
      return "the board did not take the rate";
    case SweepRun::End::Silent:
      return "no record came: stopped and left";
    case SweepRun::End::NoValidRecord:
      return "every record was damaged on the way";
    case SweepRun::End::PortLost:
      return "the port went away";
    case SweepRun::End::NotRun:
      return "the sweep ended before this rate";
    default:
      return "no record arrived";
  }
}

bool measured(const SweepReportRun& r) {
  return r.run.measurement && r.run.measurement->received() > 0 && !r.channels.empty();
}

std::string conditionsTable(const SweepConditions& c, std::span<const SweepReportRun> runs) {
  std::string counts;
  bool same = true;
  for (const SweepReportRun& r : runs) {
    same = same && r.run.step.count == runs.front().run.step.count;
    counts +=
        (counts.empty() ? "" : ", ") + r.run.rateText + ": " + std::to_string(r.run.step.count);
  }
  if (same && !runs.empty())
    counts = std::to_string(runs.front().run.step.count) + " at each of the " +
             std::to_string(runs.size()) + " rates";
  std::string t = "<table>";
  const auto add = [&t](std::string_view name, std::string_view value) {
    t += "<tr><th>" + markupText(name) + "</th>" + cell(value) + "</tr>";
  };
  add("Board", c.boardName);
  add("Ident", c.ident);
  // "±2.5V / IntRef / Sinc5+Sinc1"; the older board names no reference.
  std::vector<std::string_view> parts;
  for (std::string_view rest = c.settings; !rest.empty();) {
    const size_t slash = rest.find(" / ");
    parts.push_back(rest.substr(0, slash));
    rest = slash == std::string_view::npos ? "" : rest.substr(slash + 3);
  }
  const std::optional<InputRange> range = inputRangeOf(c.settings);
  if (range && (parts.size() == 2 || parts.size() == 3)) {
    add("Input range", range->text + " (" + fixedNumber(range->volts, 0) + " V over 2^24 codes)");
    add("Reference", parts.size() == 3 ? parts[1] : "not reported by this board");
    add("Filter", parts.back());
  } else {
    add("Board settings", c.settings);
  }
  std::string channels;
  for (const int field : measuredFields(c.channels))
    channels += (channels.empty() ? "" : ", ") + std::string(kChannelNames[field]);
  add("Channels", channels);
  add("Data", c.format == DataFormat::Binary ? "binary (24-bit codes)" : "mV");
  add("Records per rate", counts);
  add("Note", c.note.empty() ? "none given" : c.note);
  add("Date", c.dateTime);
  add("Program", c.program);
  return t + "</table>";
}

// One channel's figures in the datasheet's four columns.
std::string channelCells(const ChannelAnalysis& c, const TableUnit& u) {
  const NoiseFigures& f = c.figures;
  if (f.count == 0) return "<td colspan=\"4\">no valid values</td>";
  const std::string none = "<td class=\"v\">—</td>";
  std::string t = "<td class=\"v\">" + number(f.sd * u.perValue, kMicrovoltDecimals) + " (" +
                  number(f.peakToPeak * u.perValue, u.ppDecimals) + ")</td>";
  t += c.sdCi95 ? "<td class=\"v\">" + number(c.sdCi95->low * u.perValue, kMicrovoltDecimals) +
                      " – " + number(c.sdCi95->high * u.perValue, kMicrovoltDecimals) + "</td>"
                : none;
  t += f.effectiveBits ? "<td class=\"v\">" + number(*f.effectiveBits, 2) + " (" +
                             number(*f.noiseFreeBits, 2) + ")</td>"
                       : none;
  t += c.spectrum ? "<td class=\"v\">" +
                        number(c.spectrum->noiseDensity * u.perValue, kMicrovoltDecimals) + "</td>"
                  : none;
  return t;
}

std::string noiseTable(const SweepConditions& c, std::span<const SweepReportRun> runs,
                       const TableUnit& u) {
  std::string t =
      "<table class=\"rates\"><thead><tr><th>Rate</th><th>Records</th><th>End</th>"
      "<th>CH</th><th>" +
      u.name + " rms (" + u.name + " p-p)</th><th>95 % interval of the rms (" + u.name +
      ")</th><th>Effective resolution (noise-free bits)</th><th>Noise density (" + u.name +
      "/√Hz)</th></tr></thead>";
  for (const SweepReportRun& r : runs) {
    const int32_t received = r.run.measurement ? r.run.measurement->received() : 0;
    const size_t rows = measured(r) ? r.channels.size() : 1;
    const auto spanned = [rows](std::string_view attributes) {
      return "<td rowspan=\"" + std::to_string(rows) + "\"" + std::string(attributes) + ">";
    };
    t += "<tbody><tr>" + spanned("") + markupText(r.run.rateText) + "<br><small>code " +
         std::to_string(r.run.step.rateCode) + "</small></td>" + spanned(" class=\"v\"") +
         std::to_string(received) + "/" + std::to_string(r.run.step.count) + "</td>" + spanned("") +
         markupText(endName(r.run.end)) + "</td>";
    if (!measured(r)) {
      t += "<td colspan=\"5\">No figures: " + markupText(noRecords(r.run.end)) + ".</td></tr>";
    } else {
      for (size_t i = 0; i < rows; ++i)
        t += std::string(i > 0 ? "<tr>" : "") + "<td>CH" + std::to_string(r.channels[i].channel) +
             "</td>" + channelCells(r.channels[i], u) + "</tr>";
    }
    t += "</tbody>";
  }
  t += "</table>";
  return t +
         "<p>The 95 % interval of the rms: sd √(n / χ²(0.975; n − 1)) to sd √(n / χ²(0.025; n − "
         "1)), which assumes independent values of normal noise; drift, lines and noise that "
         "rises towards low frequencies spread the rms more widely, as each run's Allan "
         "deviation shows. Effective resolution log2(2^24 / sd), noise-free bits log2(2^24 / "
         "pp), for binary data." +
         std::string(c.format == DataFormat::Millivolt ? " µV are the board's mV × 1000." : "") +
         "</p>";
}

std::string rateFigure(const SweepConditions& c, std::span<const SweepReportRun> runs,
                       const TableUnit& u) {
  std::vector<RateNoiseSeries> series;
  size_t zeros = 0;
  for (const int field : measuredFields(c.channels)) {
    RateNoiseSeries& s = series.emplace_back();
    s.channel = field;
    for (const SweepReportRun& r : runs) {
      const std::optional<double> hz = rateHzOf(r.run.rateText);
      if (!measured(r) || !hz) continue;
      for (const ChannelAnalysis& a : r.channels) {
        if (a.channel != field || a.figures.count == 0) continue;
        const double rms = a.figures.sd * u.perValue;
        zeros += rms == 0;
        s.points.push_back({*hz, rms, a.sdCi95 ? a.sdCi95->low * u.perValue : rms,
                            a.sdCi95 ? a.sdCi95->high * u.perValue : rms});
      }
    }
  }
  std::string caption =
      "rms noise against the rate, log-log, each point with its 95 % interval as a bar. A dashed "
      "line rises as white noise does, as √rate (slope ½), through its channel's fastest rate: "
      "where the slower rates' points lie above it, their noise is more than white (noise that "
      "rises towards low frequencies, drift, lines).";
  if (c.format == DataFormat::Binary && u.name == "µV")
    caption += " Near a code (" + fixedNumber(u.perValue, kMicrovoltDecimals) +
               " µV) and below, rounding to codes sets the rms, whatever the noise.";
  if (zeros > 0)
    caption += " " + std::to_string(zeros) + " of no noise (0) cannot be drawn on a log scale.";
  return "<figure>" + rateNoiseSvg(series, u.name) + "<figcaption>" + markupText(caption) +
         "</figcaption></figure>";
}

std::string summary(std::span<const SweepReportRun> runs) {
  std::vector<std::pair<const char*, size_t>> ends;
  for (const SweepReportRun& r : runs) {
    const char* name = endName(r.run.end);
    auto at =
        std::find_if(ends.begin(), ends.end(), [&](const auto& e) { return e.first == name; });
    if (at == ends.end())
      ends.emplace_back(name, 1);
    else
      ++at->second;
  }
  std::string text = std::to_string(runs.size()) + " rates planned: ";
  for (size_t i = 0; i < ends.size(); ++i)
    text += (i > 0 ? ", " : "") + std::to_string(ends[i].second) + " " + ends[i].first;
  return "<p>" + markupText(text) + ".</p>";
}

}  // namespace

std::string sweepReportHtml(const SweepConditions& conditions,
                            std::span<const SweepReportRun> runs) {
  const TableUnit unit = tableUnit(conditions);
  // The top in a section of its own, so that each run's section begins a page.
  std::string body = "<section><h1>Noise sweep</h1>" + conditionsTable(conditions, runs) +
                     "<h2>Noise at each rate</h2>" + summary(runs) +
                     noiseTable(conditions, runs, unit) + rateFigure(conditions, runs, unit) +
                     "</section>";
  for (const SweepReportRun& r : runs) {
    if (!measured(r)) continue;
    std::string heading = rateName(r.run) + ", ";
    heading += r.file.empty() ? std::string_view("not saved")
                              : r.file.substr(r.file.find_last_of("/\\") + 1);
    if (r.run.end != SweepRun::End::Finished)
      heading += std::string(" (") + endName(r.run.end) + ")";
    body += "<section><h2>" + markupText(heading) + "</h2>";
    const Measurement& m = *r.run.measurement;
    try {
      body += reportSections(
          {m.settings(), m.received(), conditions.boardName, conditions.dateTime}, r.channels);
    } catch (const ReportError& e) {
      body += "<p>No figures: " + markupText(e.what()) + ".</p>";
    }
    body += "</section>";
  }
  return reportPage("Noise sweep, " + std::string(conditions.dateTime), body);
}

}  // namespace tarn
