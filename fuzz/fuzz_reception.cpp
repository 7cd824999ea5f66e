// The stream handler on an arbitrary byte stream cut into arbitrary reads: it
// must never crash or store past the table, and the records, the status line
// and the plot must be the same as when the stream arrives in one piece.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace {

struct Outcome {
  int32_t index;
  bool measuring;
  std::string rx, status;
  std::vector<tarn::SampleRecord> records;
  std::vector<float> plot;
};

// One window for the whole run: every start resets what a measurement uses.
tarn::test::FormFixture& window() {
  static tarn::test::FormFixture* f = [] {
    auto* fixture = new tarn::test::FormFixture;
    fixture->openPort();
    fixture->port.replies["FF"] = {"OK\r"};
    return fixture;
  }();
  return *f;
}

Outcome receive(uint8_t setup, const std::string& stream, const std::vector<size_t>& cuts) {
  tarn::test::FormFixture& f = window();
  f.port.pending.clear();
  f.port.written.clear();  // the port records what is sent; millions of runs would pile it up
  f.form->SendB2.setCaption("測定開始");
  (setup & 1 ? f.form->Option2 : f.form->Option1).setValue(true);
  f.form->Combo2.setListIndex((setup >> 1) % 3);
  f.form->Text1.setText(std::to_string((setup >> 3) % 4 == 0 ? 0 : setup >> 3));
  f.form->SendB2_Click();
  size_t at = 0;
  for (size_t cut : cuts) {
    f.port.pending.push_back(stream.substr(at, cut - at));
    at = cut;
  }
  f.port.pending.push_back(stream.substr(at));
  while (!f.port.pending.empty()) f.form->MSComm1_OnComm();
  const tarn::FormState& s = f.form->state;
  if (s.SampleIndex > tarn::kSampleEntries) std::abort();
  Outcome out{s.SampleIndex, s.Measuring, s.RxBuffer, f.form->Status.text(), {}, {}};
  for (const auto& segment : f.surface.segments)
    out.plot.insert(out.plot.end(), {segment.x1, segment.y1, segment.x2, segment.y2,
                                     static_cast<float>(segment.color)});
  // Only the fields of the measured channels belong to this measurement.
  for (int32_t i = 0; i < s.SampleIndex; ++i) {
    tarn::SampleRecord record = s.Samples[static_cast<size_t>(i)];
    if (s.ChannelMode == 0) record.field[1].clear();
    if (s.ChannelMode == 1) record.field[0].clear();
    out.records.push_back(record);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t setup = data[0], cutSeed = data[1];
  const std::string stream(reinterpret_cast<const char*>(data + 2), size - 2);
  std::vector<size_t> cuts;
  for (size_t i = 1; i < stream.size(); ++i)
    if ((static_cast<uint8_t>(stream[i]) ^ cutSeed) % 5 == 0) cuts.push_back(i);
  const Outcome whole = receive(setup, stream, {});
  const Outcome pieces = receive(setup, stream, cuts);
  if (whole.index != pieces.index || whole.measuring != pieces.measuring || whole.rx != pieces.rx ||
      whole.status != pieces.status)
    std::abort();
  // The same segments in the same order (a plot holds no NaN).
  if (whole.plot.size() != pieces.plot.size() ||
      !std::equal(whole.plot.begin(), whole.plot.end(), pieces.plot.begin()))
    std::abort();
  for (size_t i = 0; i < whole.records.size(); ++i)
    if (whole.records[i].field != pieces.records[i].field) std::abort();
  return 0;
}
