// A measurement ends alike, and plots alike, whether its stream (input byte 2
// on) comes whole or in pieces, never holds more than asked for nor a text that is no value.
// Of good records with a
// character added or lost here and there, only intact ones are stored, in
// order, and every intact one is but one whose predecessor lost its end character.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "board/profile.h"
#include "report/plot.h"
#include "ui/control_table.h"

namespace {

using namespace tarn;

// Bit 0 mV data, bits 1-2 the channels, bits 3-6 the count (0: endless), bit 7
// the older board, which never refuses a start with "NG".
Measurement start(uint8_t setup, bool endless) {
  const MeasurementSettings s{setup & 1 ? DataFormat::Millivolt : DataFormat::Binary,
                              static_cast<Channels>((setup >> 1 & 3) % 3),
                              endless ? 0 : setup >> 3 & 15};
  return Measurement(s, (setup & 0x80 ? olderBoards() : currentBoards())[0].refusesWithNg);
}

// The stream fed whole and in reads cut where (byte ^ cutSeed) % 5 == 0. The
// plot of the framing check's endless run would only repeat its records.
Measurement feedTwice(uint8_t setup, bool endless, std::string_view stream, uint8_t cutSeed) {
  Measurement whole = start(setup, endless), pieces = start(setup, endless);
  whole.feed(stream);
  // The pieces' values are read as they arrive, as the live plot reads them.
  SampleValues wholeValues(whole.settings()), pieceValues(pieces.settings());
  for (size_t from = 0, i = 1; i <= stream.size(); ++i) {
    if (i < stream.size() && (static_cast<uint8_t>(stream[i]) ^ cutSeed) % 5 != 0) continue;
    pieces.feed(stream.substr(from, i - from)), from = i;
    pieceValues.update(pieces.records());
  }
  const int32_t count = whole.settings().count;
  if (whole.state() != pieces.state() || whole.discarded() != pieces.discarded() ||
      whole.progressText() != pieces.progressText() ||
      !std::ranges::equal(whole.records(), pieces.records(), {}, &SampleRecord::field,
                          &SampleRecord::field) ||
      whole.received() > kSampleEntries ||
      (count > 0 && whole.received() + whole.discarded() > count))
    std::abort();
  for (const SampleRecord& record : whole.records())
    for (const int f : measuredFields(whole.settings().channels))
      if (!isValueText(record.field[static_cast<size_t>(f)], whole.settings().format)) std::abort();
  if (endless) return whole;
  wholeValues.update(whole.records());
  const auto a = plotOf(wholeValues, kPictureWidth, kPictureHeight);
  const auto b = plotOf(pieceValues, kPictureWidth, kPictureHeight);
  if (a.has_value() != b.has_value() ||
      (a && (a->labels != b->labels ||
             !std::ranges::equal(a->traces, b->traces, {}, &Trace::points, &Trace::points))))
    std::abort();
  return whole;
}

// Three input bytes a record: its value, whether and where it is damaged, and
// the character added. The first record, which tells the end character, and a
// record after a damaged one stay whole; a damaged one loses or gains one
// character. Values carry the record's index, so no two records are alike.
void checkFraming(uint8_t setup, std::string_view in, uint8_t cutSeed) {
  enum Damage : char { None, Changed, EndLost };
  std::vector<Damage> damage;
  std::vector<SampleRecord> sent;
  std::string stream;
  const std::span<const int> fields = measuredFields(start(setup, true).settings().channels);
  for (size_t at = 0; at + 3 <= in.size(); at += 3) {
    const int k = static_cast<int>(sent.size()), edit = static_cast<uint8_t>(in[at + 1]);
    SampleRecord& record = sent.emplace_back();
    std::string text;
    for (int f : fields) {
      char v[16];
      std::snprintf(v, sizeof v, setup & 1 ? "%+08d" : "%06X",
                    k << 12 | static_cast<uint8_t>(in[at]) << 4 | f);
      text += record.field[static_cast<size_t>(f)] = v;
    }
    text += '\r';
    const size_t where = static_cast<size_t>(edit / 6) % text.size();
    const bool hit = k > 0 && damage.back() == None && edit % 3 == 0, adds = edit / 3 % 2;
    damage.push_back(!hit ? None : adds || where + 1 < text.size() ? Changed : EndLost);
    if (hit) adds ? text.insert(where, 1, in[at + 2]) : text.erase(where, 1);
    stream += text;
  }
  // Dropping up to the end character after a damaged record takes the next
  // record along only when the damaged one lost its own.
  const Measurement m = feedTwice(setup, true, stream, cutSeed);
  auto stored = m.records().begin();
  for (size_t k = 0; k < sent.size(); ++k)
    if (stored != m.records().end() && stored->field == sent[k].field)
      ++stored;
    else if (damage[k] == None && (k == 0 || damage[k - 1] != EndLost))
      std::abort();
  if (stored != m.records().end()) std::abort();  // a record never sent, or out of order
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);
  feedTwice(data[0], false, stream, data[1]);
  checkFraming(data[0], stream, data[1]);
  return 0;
}
