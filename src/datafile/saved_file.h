#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"

namespace tarn::datafile {

// Bytes that are not a data file as csvText writes it; the text says why.
class NotADataFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A data file read back: the header's texts in UTF-8 and the records.
struct SavedFile {
  std::string charset;   // the one it was written in
  std::string dateTime;  // the date and time line
  // Format and channels follow from the rows (six characters a value for
  // binary data, eight for mV data) and the column heading; count is the
  // number of records read; rate, board settings and channel texts as written.
  MeasurementSettings settings;
  std::vector<SampleRecord> records;
  // Rows that are not values (isValueText) of the channels, left out.
  int32_t leftOut = 0;
  size_t firstLeftOut = 0;  // its row number, counted from 1 after the header
};

// Reads a data file written in UTF-8, in the user's character set or in
// code page 932 (the one a Japanese Windows writes), or in UTF-8 after a
// byte-order mark (what another Windows writes): the seven header lines,
// then one row per record, CR LF or LF after each. The count line must match
// the rows; the first row's value tells the format, and at least one row must
// be values.
SavedFile readDataFile(std::string_view bytes);

}  // namespace tarn::datafile
