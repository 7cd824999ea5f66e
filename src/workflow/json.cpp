#include "workflow/json.h"

#include <charconv>
#include <cstdio>

namespace tarn {

std::string numberText(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : "0";
}

JsonObject& JsonObject::member(std::string_view key) {
  if (!body_.empty()) body_ += ',';
  body_ += '"';
  body_ += key;
  body_ += "\":";
  return *this;
}

std::string jsonString(std::string_view value) {
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted += '"';
}

JsonObject& JsonObject::text(std::string_view key, std::string_view value) {
  return raw(key, jsonString(value));
}

JsonObject& JsonObject::number(std::string_view key, double value) {
  return raw(key, numberText(value));
}

JsonObject& JsonObject::raw(std::string_view key, std::string_view json) {
  member(key);
  body_ += json;
  return *this;
}

namespace {

std::string spectrumJson(const ChannelAnalysis& f) {
  const Spectrum& s = *f.spectrum;
  std::string lines = "[";
  for (const SpectralLine& l : s.lines) {
    JsonObject o;
    o.number("hz", l.hz).number("rms", l.rms);
    if (const std::optional<double> v = f.microvolts(l.rms)) o.number("rmsUv", *v);
    o.raw("mainsHz", l.mainsHz ? numberText(l.mainsHz) : "null").number("harmonic", l.harmonic);
    lines += (lines.size() > 1 ? "," : "") + o.str();
  }
  JsonObject o;
  o.number("binHz", s.binHz)
      .number("segmentLength", s.segmentLength)
      .number("segments", s.segments)
      .number("noiseDensity", s.noiseDensity);
  if (const std::optional<double> v = f.microvolts(s.noiseDensity)) o.number("noiseDensityUv", *v);
  return o.raw("lines", lines + "]").str();
}

std::string pairJson(double low, double high) {
  return "[" + numberText(low) + "," + numberText(high) + "]";
}

std::string allanPointJson(const ChannelAnalysis& f, const AllanPoint& p) {
  JsonObject o;
  o.number("values", static_cast<double>(p.values))
      .raw("seconds", p.seconds ? numberText(*p.seconds) : "null")
      .number("adev", p.adev);
  if (const std::optional<double> v = f.microvolts(p.adev)) o.number("adevUv", *v);
  return o.str();
}

std::string allanJson(const ChannelAnalysis& f) {
  std::string points = "[";
  for (const AllanPoint& p : f.allan.points)
    points += (points.size() > 1 ? "," : "") + allanPointJson(f, p);
  return points + "]";
}

}  // namespace

std::string figuresJson(std::span<const ChannelAnalysis> figures) {
  std::string array = "[";
  for (const ChannelAnalysis& f : figures) {
    JsonObject o;
    o.number("channel", f.channel)
        .number("count", static_cast<double>(f.figures.count))
        .number("mean", f.figures.mean)
        .number("sd", f.figures.sd)
        .number("pp", f.figures.peakToPeak);
    if (f.figures.noiseFreeBits)
      o.number("noiseFreeBits", *f.figures.noiseFreeBits)
          .number("effectiveBits", *f.figures.effectiveBits);
    if (f.microvolts(1))
      o.number("rangeVolts", f.range->volts)
          .number("sdUv", *f.microvolts(f.figures.sd))
          .number("ppUv", *f.microvolts(f.figures.peakToPeak));
    o.raw("sdCi95", f.sdCi95 ? pairJson(f.sdCi95->low, f.sdCi95->high) : "null");
    if (f.microvolts(1))
      o.raw("sdUvCi95", f.sdCi95
                            ? pairJson(*f.microvolts(f.sdCi95->low), *f.microvolts(f.sdCi95->high))
                            : "null");
    o.raw("allan", allanJson(f))
        .raw("allanTurn", f.allan.turn ? allanPointJson(f, f.allan.points[*f.allan.turn]) : "null");
    o.raw("spectrum", f.spectrum ? spectrumJson(f) : "null");
    if (array.size() > 1) array += ',';
    array += o.str();
  }
  return array + "]";
}

}  // namespace tarn
