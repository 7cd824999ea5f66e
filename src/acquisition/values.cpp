#include <cctype>
#include <string>

#include "acquisition/acquisition_texts.h"
#include "acquisition/sample_values.h"
#include "common/model.h"
#include "common/numbers.h"
#include "ui/form1.h"

namespace tarn {

double Form1::SampleValue(const std::string& text) const {
  if (!Option1.value()) return TextToNumber(text);
  // Only the hexadecimal digits the text begins with go between "&H" and the
  // closing "&", so the value stays unsigned even when a shifted record puts
  // some other character right after four digits. Built on the stack: every
  // plot reads 65535 x 2 of these.
  char hex[32] = {'&', 'H'};
  size_t n = 2;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c)) || n == sizeof hex - 1) break;
    hex[n++] = c;
  }
  hex[n++] = '&';
  return TextToNumber(std::string_view(hex, n));
}

double extremeStart(const Form1& form, Extreme which) {
  if (form.Option1.value()) return which == Extreme::Largest ? kBinaryMaxStart : kBinaryMinStart;
  return which == Extreme::Largest ? kMvMaxStart : kMvMinStart;
}

double fieldExtreme(const Form1& form, int field, Extreme which, double running) {
  const FormState& s = form.state;
  for (int32_t i = 0; i < s.SampleCount; ++i) {
    // SampleValue reads the format option anew for every record. A garbled
    // text beyond 32 bits counts as the nearest 32-bit value instead of
    // failing the whole summary.
    const double value = toInt32Clamped(form.SampleValue(s.Samples.at(i).field.at(field)));
    if (which == Extreme::Largest ? value > running : value < running) running = value;
  }
  return running;
}

void Form1::MaxCh0() {
  state.Ch0Max = fieldExtreme(*this, 0, Extreme::Largest, extremeStart(*this, Extreme::Largest));
}
void Form1::MaxCh1() {
  state.Ch1Max = fieldExtreme(*this, 1, Extreme::Largest, extremeStart(*this, Extreme::Largest));
}
void Form1::MinCh0() {
  state.Ch0Min = fieldExtreme(*this, 0, Extreme::Smallest, extremeStart(*this, Extreme::Smallest));
}
void Form1::MinCh1() {
  state.Ch1Min = fieldExtreme(*this, 1, Extreme::Smallest, extremeStart(*this, Extreme::Smallest));
}

std::string Form1::UpdatePeakToPeak() {
  namespace t = acquisition_texts;
  switch (state.ChannelMode) {
    case 0:
      MaxCh0();
      MinCh0();
      break;
    case 1:
      MaxCh1();
      MinCh1();
      break;
    case 2:
      MaxCh0();
      MinCh0();
      MaxCh1();
      MinCh1();
      break;
    default:
      break;
  }
  const bool binary = Option1.value();
  const auto spread = [binary](double d) {
    if (binary) return digitText(d);
    // The older board's summary shows hundredths of the value as "0.00".
    if constexpr (kSolo) return fixedText(d / 100, 2);
    return fixedText(d / 1000, 3);
  };
  const std::string d0 = spread(state.Ch0Max - state.Ch0Min);
  const std::string d1 = spread(state.Ch1Max - state.Ch1Min);
  switch (state.ChannelMode) {
    case 0:
      return (binary ? t::kDigitPpCh0 : t::kMvPpCh0) + d0;
    case 1:
      return (binary ? t::kDigitPpCh1 : t::kMvPpCh1) + d1;
    case 2:
      return (binary ? t::kDigitPpBoth : t::kMvPpBoth) + d0 + t::kPpThenCh1 + d1;
    default:
      return {};
  }
}

}  // namespace tarn
