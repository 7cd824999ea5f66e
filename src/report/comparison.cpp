#include "report/comparison.h"

#include <algorithm>
#include <array>

#include "report/charts.h"

namespace tarn {
namespace {

// Runs side by side, this many a table at most, so that a table fits A4.
constexpr size_t kRunsPerTable = 6;

constexpr const char* kRunsStyle =
    "table.runs{font-size:9pt}table.runs th{text-align:left;font-weight:normal}"
    "table.runs th.run{overflow-wrap:anywhere}table.runs th.ch{font-weight:bold;background:#eee}"
    "table.runs td.v{white-space:normal}table.runs span{white-space:nowrap}.real{color:#b00000}";

const ChannelAnalysis* channelOf(const ComparedRun& run, int channel) {
  for (const ChannelAnalysis& c : run.channels)
    if (c.channel == channel) return &c;
  return nullptr;
}

// A figure in µV where µV apply: binary data of a named range, and mV data
// compared in µV.
std::optional<double> microvoltsOf(const ChannelAnalysis& c, ComparisonUnit unit, double figure) {
  if (c.format == DataFormat::Binary) return c.microvolts(figure);
  if (unit == ComparisonUnit::Microvolts) return figure * 1000;
  return std::nullopt;
}

std::string numberSpan(double value, int decimals) {
  return "<span>" + fixedNumber(value, decimals) + "</span>";
}

// A figure in the channel's unit, and under it in µV where they apply.
std::string runsFigureCell(const ChannelAnalysis& c, ComparisonUnit unit, double figure,
                           int decimals, std::string_view per = "") {
  std::string cell = numberSpan(figure, decimals) + " " + c.unit() + std::string(per);
  if (const std::optional<double> uv = microvoltsOf(c, unit, figure))
    cell += "<br>" + numberSpan(*uv, kMicrovoltDecimals) + " µV" + std::string(per);
  return cell;
}

std::string runsIntervalCell(const ChannelAnalysis& c, ComparisonUnit unit) {
  if (!c.sdCi95) return "none (fewer than 2 values)";
  const Interval& i = *c.sdCi95;
  std::string cell =
      numberSpan(i.low, decimalsOf(c)) + " – " + numberSpan(i.high, decimalsOf(c)) + " " + c.unit();
  if (microvoltsOf(c, unit, 1))
    cell += "<br>" + numberSpan(*microvoltsOf(c, unit, i.low), kMicrovoltDecimals) + " – " +
            numberSpan(*microvoltsOf(c, unit, i.high), kMicrovoltDecimals) + " µV";
  return cell;
}

std::string runsLinesCell(const ChannelAnalysis& c, ComparisonUnit unit) {
  if (!c.spectrum) return "no spectrum";
  if (c.spectrum->lines.empty()) return "none";
  std::string cell;
  for (const SpectralLine& l : c.spectrum->lines) {
    cell += (cell.empty() ? "" : "<br>") + numberSpan(l.hz, kHzDecimals) +
            " Hz: " + numberSpan(l.rms, decimalsOf(c)) + " " + c.unit();
    if (const std::optional<double> uv = microvoltsOf(c, unit, l.rms))
      cell += ", " + numberSpan(*uv, kMicrovoltDecimals) + " µV";
    if (l.mainsHz) cell += " (" + markupText(mainsName(l)) + ")";
  }
  return cell;
}

std::string swatch(size_t run) {
  return "<span style=\"color:" + std::string(runColour(run)) + "\">■</span>";
}

// A row of the tables, a cell a run; none for a channel's heading.
struct Row {
  std::string label;               // markup
  std::vector<std::string> cells;  // markup
};

std::string sideBySide(std::span<const ComparedRun> runs, const std::vector<Row>& rows,
                       const char* cellClass) {
  std::string out;
  for (size_t first = 0; first < runs.size(); first += kRunsPerTable) {
    const size_t last = std::min(runs.size(), first + kRunsPerTable);
    out += "<table class=\"runs\"><tr><th></th>";
    for (size_t i = first; i < last; ++i)
      out += "<th class=\"run\">" + swatch(i) + " run " + std::to_string(i + 1) + "<br>" +
             markupText(runs[i].name) + "</th>";
    out += "</tr>";
    for (const Row& row : rows) {
      if (row.cells.empty()) {
        out += "<tr><th class=\"ch\" colspan=\"" + std::to_string(last - first + 1) + "\">" +
               row.label + "</th></tr>";
        continue;
      }
      out += "<tr><th>" + row.label + "</th>";
      for (size_t i = first; i < last; ++i)
        out += std::string("<td class=\"") + cellClass + "\">" + row.cells[i] + "</td>";
      out += "</tr>";
    }
    out += "</table>";
  }
  return out;
}

std::string conditionsTable(std::span<const ComparedRun> runs) {
  std::vector<Row> rows;
  for (size_t i = 0; i < runs.size(); ++i) {
    const auto header = headerRows(runs[i].header);
    if (rows.empty()) rows.resize(header.size());
    for (size_t r = 0; r < header.size(); ++r) {
      rows[r].label = markupText(header[r].first);
      rows[r].cells.push_back(markupText(header[r].second));
    }
  }
  return sideBySide(runs, rows, "t");
}

std::string channelHeading(int channel) {
  return "CH" + std::to_string(channel) + " (" +
         markupText(kChannelNames[static_cast<size_t>(channel)]) + ")";
}

std::string runsFiguresTable(std::span<const ComparedRun> runs, const Comparison& comparison) {
  const ComparisonUnit unit = comparison.unit;
  std::vector<Row> rows;
  for (const int channel : comparison.channels) {
    rows.push_back({channelHeading(channel), {}});
    const ChannelAnalysis& first = *channelOf(runs.front(), channel);
    const auto row = [&](std::string label, const auto& cell) {
      Row& r = rows.emplace_back(Row{std::move(label), {}});
      for (const ComparedRun& run : runs) r.cells.push_back(cell(*channelOf(run, channel)));
    };
    using C = const ChannelAnalysis&;
    row("records", [](C c) { return numberSpan(static_cast<double>(c.figures.count), 0); });
    row("mean", [](C c) { return numberSpan(c.figures.mean, decimalsOf(c)) + " " + c.unit(); });
    row("rms noise", [&](C c) { return runsFigureCell(c, unit, c.figures.sd, decimalsOf(c)); });
    row("rms noise, 95 % interval", [&](C c) { return runsIntervalCell(c, unit); });
    row("rms noise against run 1", [&](C c) {
      return &c == &first ? std::string("the reference")
                          : differenceText(sdDifference(first, c, unit), true);
    });
    row("peak-to-peak", [&](C c) {
      return runsFigureCell(c, unit, c.figures.peakToPeak,
                            c.format == DataFormat::Binary ? 0 : decimalsOf(c));
    });
    row("noise-free bits", [](C c) {
      return c.figures.noiseFreeBits ? numberSpan(*c.figures.noiseFreeBits, 2) + " bits"
                                     : std::string("—");
    });
    row("effective resolution", [](C c) {
      return c.figures.effectiveBits ? numberSpan(*c.figures.effectiveBits, 2) + " bits"
                                     : std::string("—");
    });
    row("noise density", [&](C c) {
      return c.spectrum
                 ? runsFigureCell(c, unit, c.spectrum->noiseDensity, densityDecimalsOf(c), "/√Hz")
                 : std::string("no spectrum");
    });
    row("lines above the noise floor", [&](C c) { return runsLinesCell(c, unit); });
  }
  return sideBySide(runs, rows, "v");
}

std::string comparisonRule(ComparisonUnit unit) {
  return "<p>Each run's rms noise is compared with run 1's on each channel, in " +
         std::string(unitName(unit)) +
         ". Where their 95 % intervals do not overlap, the difference is marked <strong "
         "class=\"real\">real</strong>: were the two runs' noise the same, intervals this far "
         "apart would come by chance less than 1 time in 20 (about 1 in 180 for runs of the same "
         "length). Where they overlap, it is <strong>within the spread</strong>: these runs cannot "
         "tell the two apart, which does not show that they are equal. The intervals assume "
         "independent values of normal noise; drift and lines spread sd more widely than they "
         "say, and each run's own noise report shows its Allan deviation.</p>";
}

std::string runFigure(const std::string& svg, const std::string& captionMarkup) {
  return "<figure>" + svg + "<figcaption>" + captionMarkup + "</figcaption></figure>";
}

std::string runNames(const std::vector<size_t>& indexes, std::span<const ComparedRun> runs) {
  std::string text;
  for (const size_t i : indexes)
    text += (text.empty() ? "" : ", ") + swatch(i) + " " + markupText(runs[i].name);
  return text;
}

std::string runsSection(std::span<const ComparedRun> runs, int channel, ComparisonUnit unit) {
  const std::string unitText = unitName(unit);
  std::vector<ChartSeries> all, spectra;
  std::vector<size_t> noSpectrum;
  double span = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    const ChannelAnalysis& c = *channelOf(runs[i], channel);
    all.push_back({c, runs[i].name, runColour(i), inUnit(c, unit, 1)});
    if (c.spectrum)
      spectra.push_back(all.back());
    else
      noSpectrum.push_back(i);
    const auto [low, high] = std::minmax_element(c.values.begin(), c.values.end());
    span = std::max(span, (*high - *low) * all.back().scale);
  }
  std::string out = "<section><h2>" + channelHeading(channel) + "</h2>";
  const std::string without =
      noSpectrum.empty()
          ? ""
          : " Without a spectrum (a rate that names no frequency, or fewer than " +
                std::to_string(kSpectrumMinimum) + " records): " + runNames(noSpectrum, runs) + ".";
  if (spectra.empty())
    out += "<p>No spectrum." + without + "</p>";
  else
    out += runFigure(spectrumSvg(spectra, unitText),
                     "Amplitude spectral densities, in " + unitText + "/√Hz." + without);
  out += runFigure(histogramSvg(all, unitText),
                   "Histograms as densities: each run's counts divided by n × its bin width, about "
                   "the run's own mean, and its normal curve of sd; runs of any length compare.");
  for (size_t i = 0; i < runs.size(); ++i)
    out += runFigure(waveformSvg(all[i], rateHzOf(runs[i].header.settings.rateText), span),
                     swatch(i) + " run " + std::to_string(i + 1) + ", " + markupText(runs[i].name) +
                         ": every record, drawn per pixel column, to the scale of every run's "
                         "waveform (the widest spread, in " +
                         unitText + ").");
  return out + "</section>";
}

}  // namespace

const char* unitName(ComparisonUnit unit) {
  constexpr std::array<const char*, 3> kNames = {"codes", "mV", "µV"};
  return kNames[static_cast<size_t>(unit)];
}

Comparison comparisonOf(std::span<const ComparedRun> runs) {
  if (runs.size() < 2) throw ReportError("a comparison needs two runs at least");
  Comparison comparison;
  for (const ComparedRun& run : runs) {
    try {
      checkReportable(run.channels);
    } catch (const ReportError& e) {
      throw ReportError(std::string(run.name) + ": " + e.what());
    }
  }
  for (const int channel : {0, 1}) {
    const auto measured = std::count_if(runs.begin(), runs.end(), [&](const ComparedRun& r) {
      return channelOf(r, channel) != nullptr;
    });
    if (measured == static_cast<std::ptrdiff_t>(runs.size()))
      comparison.channels.push_back(channel);
    else if (measured > 0)
      comparison.leftOut.push_back(channel);
  }
  if (comparison.channels.empty()) {
    std::string holds;
    for (const ComparedRun& r : runs)
      holds +=
          (holds.empty() ? "" : ", ") + std::string(r.name) + " " + r.header.settings.channelText;
    throw ReportError("no channel was measured in every run: " + holds);
  }
  const auto formatOf = [](const ComparedRun& r) { return r.header.settings.format; };
  const auto rangeOf = [](const ComparedRun& r) {
    const std::optional<InputRange> range = inputRangeOf(r.header.settings.boardSettings);
    return range ? range->text : std::string();
  };
  const bool binary = std::all_of(runs.begin(), runs.end(), [&](const ComparedRun& r) {
    return formatOf(r) == DataFormat::Binary && rangeOf(r) == rangeOf(runs[0]);
  });
  const bool mv = std::all_of(runs.begin(), runs.end(), [&](const ComparedRun& r) {
    return formatOf(r) == DataFormat::Millivolt;
  });
  comparison.unit = binary ? ComparisonUnit::Codes
                    : mv   ? ComparisonUnit::Millivolts
                           : ComparisonUnit::Microvolts;
  if (comparison.unit != ComparisonUnit::Microvolts) return comparison;
  for (const ComparedRun& r : runs)
    if (formatOf(r) == DataFormat::Binary && rangeOf(r).empty())
      throw ReportError(std::string(r.name) +
                        " holds codes of an input range that its settings (\"" +
                        r.header.settings.boardSettings +
                        "\") do not name, and only µV could compare them with the other files");
  return comparison;
}

double inUnit(const ChannelAnalysis& channel, ComparisonUnit unit, double figure) {
  if (unit != ComparisonUnit::Microvolts) return figure;
  return channel.format == DataFormat::Binary ? figure * channel.range->microvoltsPerCode()
                                              : figure * 1000;
}

SdDifference sdDifference(const ChannelAnalysis& first, const ChannelAnalysis& run,
                          ComparisonUnit unit) {
  SdDifference d;
  const double a = inUnit(first, unit, first.figures.sd), b = inUnit(run, unit, run.figures.sd);
  if (a > 0) d.percent = (b / a - 1) * 100;
  if (!first.sdCi95 || !run.sdCi95) return d;
  const bool apart = inUnit(run, unit, run.sdCi95->low) > inUnit(first, unit, first.sdCi95->high) ||
                     inUnit(first, unit, first.sdCi95->low) > inUnit(run, unit, run.sdCi95->high);
  d.verdict = apart ? SdVerdict::Real : SdVerdict::WithinSpread;
  return d;
}

std::string differenceText(const SdDifference& d, bool markup) {
  constexpr std::array<const char*, 3> kVerdicts = {"real", "within the spread", "unknown"};
  const char* verdict = kVerdicts[static_cast<size_t>(d.verdict)];
  std::string text =
      markup ? std::string(d.verdict == SdVerdict::Real ? "<strong class=\"real\">" : "<strong>") +
                   verdict + "</strong>"
             : verdict;
  if (d.verdict == SdVerdict::Unknown) text += " (fewer than 2 values)";
  if (!d.percent) return text;
  const std::string size = fixedNumber(std::abs(*d.percent), 2);
  return text + ", " + (markup ? "<span>" + size + "</span>" : size) + " % " +
         (size == "0.00"   ? "apart"
          : *d.percent > 0 ? "higher"
                           : "lower");
}

std::string comparisonHtml(std::span<const ComparedRun> runs) {
  const Comparison comparison = comparisonOf(runs);
  std::string names;
  for (const ComparedRun& run : runs) names += (names.empty() ? "" : ", ") + markupText(run.name);
  std::string page =
      "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>Runs "
      "compared: " +
      names + "</title><style>" + std::string(reportStyle()) + kRunsStyle +
      "</style></head><body><h1>Runs compared</h1><p>" + std::to_string(runs.size()) +
      " runs, each compared with run 1 (" + markupText(runs[0].name) +
      "), channel by channel, in " + unitName(comparison.unit) + ".";
  for (const int channel : comparison.leftOut)
    page += " CH" + std::to_string(channel) + " is left out: not every run measured it.";
  if (comparison.unit == ComparisonUnit::Microvolts)
    page +=
        " The runs do not share codes or mV, so they are compared in µV: mV × 1000, and codes "
        "× the input range's span / 2^24.";
  page += "</p><h2>Conditions</h2>" + conditionsTable(runs) + "<h2>Figures</h2>" +
          runsFiguresTable(runs, comparison) + comparisonRule(comparison.unit);
  for (const int channel : comparison.channels) page += runsSection(runs, channel, comparison.unit);
  return page + std::string(reportMethod()) + "</body></html>\n";
}

}  // namespace tarn
