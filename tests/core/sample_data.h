#pragma once

#include <algorithm>
#include <sstream>
#include <string>

#include "ui/form1.h"

namespace tarn::test {

enum class Format { Binary, Mv };

// Leaves the window as a finished measurement would: the format checked, the
// channel mode set and the value texts (blank-separated) in records 0 to n - 1.
// A channel given no texts keeps what its field held before.
inline void loadSamples(Form1& w, Format format, int16_t mode, const std::string& ch0,
                        const std::string& ch1 = "") {
  (format == Format::Binary ? w.Option1 : w.Option2).setValue(true);
  w.state.ChannelMode = mode;
  w.state.SampleCount = 0;
  for (int field = 0; field < 2; ++field) {
    std::istringstream texts(field == 0 ? ch0 : ch1);
    int32_t n = 0;
    for (std::string text; texts >> text;) w.state.Samples[n++].field[field] = text;
    w.state.SampleCount = std::max(w.state.SampleCount, n);
  }
}

}  // namespace tarn::test
