#include "cli/output.h"

#include <cstdio>

namespace tarn::cli {

const char* unitOf(DataFormat format) { return format == DataFormat::Binary ? "codes" : "mV"; }
const char* formatName(DataFormat format) { return format == DataFormat::Binary ? "binary" : "mv"; }
const char* channelsName(Channels channels) {
  return channels == Channels::Ch0 ? "0" : channels == Channels::Ch1 ? "1" : "both";
}

std::vector<std::string> fileLines(std::string_view path, const datafile::SavedFile& file) {
  const MeasurementSettings& s = file.settings;
  std::vector<std::string> lines = {
      "file: " + std::string(path) + " (" + file.charset + ", " + file.dateTime + ")",
      "settings: " + s.boardSettings, "rate: " + s.rateText,
      "channels: " + s.channelText + ", " + formatName(s.format) + " data"};
  if (file.leftOut > 0)
    lines.push_back("left out: " + std::to_string(file.leftOut) +
                    " row(s) that are not values (first: row " + std::to_string(file.firstLeftOut) +
                    ")");
  return lines;
}

JsonObject& fileMembers(JsonObject& o, std::string_view path, const datafile::SavedFile& file) {
  const MeasurementSettings& s = file.settings;
  return o.text("file", path)
      .text("charset", file.charset)
      .text("date", file.dateTime)
      .text("settings", s.boardSettings)
      .raw("rate", JsonObject().text("text", s.rateText).str())
      .text("channelText", s.channelText)
      .text("format", formatName(s.format))
      .text("channels", channelsName(s.channels))
      .number("received", s.count)
      .number("discarded", file.leftOut)
      .text("unit", unitOf(s.format));
}

std::string figureLine(const ChannelAnalysis& f, DataFormat format) {
  const NoiseFigures& n = f.figures;
  // Codes are whole; mV data come in tenths of µV at best.
  const bool binary = format == DataFormat::Binary;
  std::string line = "CH" + std::to_string(f.channel) + " count=" + std::to_string(n.count) +
                     " mean=" + fixedNumber(n.mean, binary ? 3 : 4) +
                     " sd=" + fixedNumber(n.sd, binary ? 3 : 4) +
                     " pp=" + fixedNumber(n.peakToPeak, binary ? 0 : 4) + " unit=" + unitOf(format);
  if (n.noiseFreeBits)
    line += " noise_free_bits=" + fixedNumber(*n.noiseFreeBits, 2) +
            " effective_bits=" + fixedNumber(*n.effectiveBits, 2);
  return line;
}

std::string noiseLine(const ChannelAnalysis& f) {
  std::string line = "CH" + std::to_string(f.channel) + " noise:";
  const auto uv = [&](const char* name, double codes) {
    if (const std::optional<double> v = f.microvolts(codes))
      line += std::string(" ") + name + "=" + fixedNumber(*v, kMicrovoltDecimals) + "uV";
  };
  uv("rms", f.figures.sd);
  uv("pp", f.figures.peakToPeak);
  if (!f.spectrum) return line + " no spectrum";
  const double density = f.spectrum->noiseDensity;
  line += " density=" + fixedNumber(density, densityDecimalsOf(f)) + f.unit() + "/rtHz";
  if (const std::optional<double> v = f.microvolts(density))
    line += "=" + fixedNumber(*v, kMicrovoltDecimals) + "uV/rtHz";
  return line;
}

std::string intervalLine(const ChannelAnalysis& f) {
  std::string line = "CH" + std::to_string(f.channel) + " sd 95% interval:";
  if (!f.sdCi95) return line + " none (fewer than 2 values)";
  const auto bounds = [&](double low, double high, int decimals, const char* unit) {
    line += " " + fixedNumber(low, decimals) + ".." + fixedNumber(high, decimals) + unit;
  };
  bounds(f.sdCi95->low, f.sdCi95->high, decimalsOf(f), f.unit());
  if (f.microvolts(1))
    bounds(*f.microvolts(f.sdCi95->low), *f.microvolts(f.sdCi95->high), kMicrovoltDecimals, "uV");
  return line + " (chi-square, n-1 dof; assumes independent values)";
}

std::string linesLine(const ChannelAnalysis& f) {
  std::string line = "CH" + std::to_string(f.channel) + " lines:";
  if (!f.spectrum || f.spectrum->lines.empty()) return line + " none";
  const char* separator = " ";
  for (const SpectralLine& l : f.spectrum->lines) {
    line += separator + fixedNumber(l.hz, kHzDecimals) + "Hz " + fixedNumber(l.rms, decimalsOf(f)) +
            f.unit();
    if (const std::optional<double> v = f.microvolts(l.rms))
      line += " " + fixedNumber(*v, kMicrovoltDecimals) + "uV";
    if (l.mainsHz) line += " (" + mainsName(l) + ")";
    separator = "; ";
  }
  return line;
}

namespace {

constexpr size_t kRateWidth = 12, kRecordsWidth = 14, kEndWidth = 17;
constexpr size_t kFigureWidths[] = {16, 8, 10, 10, 10, 9};

// `text` padded with blanks to `width`, on the left unless `left`.
std::string column(std::string text, size_t width, bool left = false) {
  if (text.size() < width) text.insert(left ? text.size() : 0, width - text.size(), ' ');
  return text;
}

}  // namespace

std::string sweepHeading(Channels channels, DataFormat format) {
  std::string line = column("rate", kRateWidth, true) + column("records", kRecordsWidth) + "  " +
                     column("end", kEndWidth, true);
  for (const int ch : measuredFields(channels)) {
    const std::string cells[] = {"CH" + std::to_string(ch) + " sd(" + unitOf(format) + ")",
                                 "pp",
                                 "rms(uV)",
                                 "pp(uV)",
                                 "eff_bits",
                                 "nf_bits"};
    for (size_t i = 0; i < std::size(cells); ++i) line += column(cells[i], kFigureWidths[i]);
  }
  return line;
}

std::string sweepRow(const SweepRun& run, std::span<const ChannelAnalysis> figures,
                     Channels channels) {
  const int32_t received = run.measurement ? run.measurement->received() : 0;
  std::string line =
      column(std::to_string(run.step.rateCode) + "=" + run.rateText, kRateWidth, true) +
      column(std::to_string(received) + "/" + std::to_string(run.step.count), kRecordsWidth) +
      "  " + column(endName(run.end), kEndWidth, true);
  for (const int ch : measuredFields(channels)) {
    std::string cells[std::size(kFigureWidths)] = {"-", "-", "-", "-", "-", "-"};
    for (const ChannelAnalysis& f : figures) {
      if (f.channel != ch || f.figures.count == 0) continue;
      const NoiseFigures& n = f.figures;
      const bool binary = f.format == DataFormat::Binary;
      cells[0] = fixedNumber(n.sd, binary ? 3 : 4);
      cells[1] = fixedNumber(n.peakToPeak, binary ? 0 : 4);
      // µV as the sweep's page gives them: from codes over the range, or from mV.
      const auto microvolts = [&](double figure) {
        return binary ? f.microvolts(figure) : std::optional<double>(figure * 1000);
      };
      if (const std::optional<double> uv = microvolts(n.sd))
        cells[2] = fixedNumber(*uv, kMicrovoltDecimals);
      if (const std::optional<double> uv = microvolts(n.peakToPeak))
        cells[3] = fixedNumber(*uv, kMicrovoltDecimals);
      if (n.noiseFreeBits) {
        cells[4] = fixedNumber(*n.effectiveBits, 2);
        cells[5] = fixedNumber(*n.noiseFreeBits, 2);
      }
    }
    for (size_t i = 0; i < std::size(cells); ++i) line += column(cells[i], kFigureWidths[i]);
  }
  return line;
}

std::string sweepRunJson(const SweepRun& run, std::string_view file,
                         std::span<const ChannelAnalysis> figures) {
  const Measurement* m = run.measurement ? &*run.measurement : nullptr;
  JsonObject o;
  return o
      .raw("rate", JsonObject().number("code", run.step.rateCode).text("text", run.rateText).str())
      .number("count", run.step.count)
      .number("received", m ? m->received() : 0)
      .number("discarded", m ? m->discarded() : 0)
      .raw("file", file.empty() ? "null" : jsonString(file))
      .text("end", endName(run.end))
      .raw("figures", figuresJson(figures))
      .str();
}

Verdict judge(std::span<const ChannelAnalysis> figures, std::optional<double> maxPp,
              std::optional<double> minBits) {
  Verdict v;
  v.judged = maxPp || minBits;
  if (!v.judged) return v;
  if (figures.empty() || figures.front().figures.count == 0) v.misses.push_back("no records");
  for (const ChannelAnalysis& f : figures) {
    if (f.figures.count == 0) continue;
    const std::string ch = "CH" + std::to_string(f.channel);
    if (maxPp && f.figures.peakToPeak > *maxPp)
      v.misses.push_back(ch + " pp=" + numberText(f.figures.peakToPeak) + " > " +
                         numberText(*maxPp));
    if (minBits && f.figures.noiseFreeBits && *f.figures.noiseFreeBits < *minBits)
      v.misses.push_back(ch + " noise_free_bits=" + fixedNumber(*f.figures.noiseFreeBits, 2) +
                         " < " + numberText(*minBits));
  }
  v.pass = v.misses.empty();
  return v;
}

std::string verdictLine(const Verdict& v) {
  std::string line = v.pass ? "limits: pass" : "limits: FAIL";
  for (const std::string& miss : v.misses) line += "; " + miss;
  return line;
}

std::string verdictJson(const Verdict& v, std::optional<double> maxPp,
                        std::optional<double> minBits) {
  JsonObject o;
  o.raw("maxPp", maxPp ? numberText(*maxPp) : "null")
      .raw("minBits", minBits ? numberText(*minBits) : "null")
      .raw("pass", v.pass ? "true" : "false");
  std::string misses = "[";
  for (const std::string& miss : v.misses) {
    if (misses.size() > 1) misses += ',';
    misses += jsonString(miss);
  }
  return o.raw("misses", misses + "]").str();
}

}  // namespace tarn::cli
