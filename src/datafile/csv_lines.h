#pragma once

#include <span>
#include <string>

#include "acquisition/measurement.h"
#include "common/seams.h"

namespace tarn::datafile {

// The user's short date (LC_TIME of the environment; on Windows the user's
// locale), a blank and H:MM:SS; the date alone at exactly midnight.
std::string dateTimeText(const LocalDateTime& t);

// The whole file as UTF-8: seven header lines from the settings captured at
// the measurement's start (the date and time line is `dateTime`), then one row
// per record with the measured field(s); CR LF after every line.
std::string csvText(const MeasurementSettings& settings, std::span<const SampleRecord> records,
                    const std::string& dateTime);
std::string csvText(const Measurement& measurement, const std::string& dateTime);

}  // namespace tarn::datafile
