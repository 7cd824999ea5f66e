#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/controls.h"
#include "common/form_state.h"
#include "common/seams.h"

namespace tarn::datafile {

// The header of the data file: the window's settings read at the moment of
// saving.
struct Header {
  std::string title;     // line 1
  std::string dateTime;  // line 2
  std::string settings;  // Label1's caption
  std::string rate;      // Combo1's selected entry
  std::string channels;  // Combo2's selected entry
  std::string heading;   // the column heading
};

// The selected entry's text; empty with no selection.
std::string selectedText(const ComboBox& combo);

// The selected channel for one channel; for both, entries 0 and 1 of Combo2
// whatever is selected.
std::string columnHeading(int16_t channelMode, const ComboBox& combo2);

// The user's short date (LC_TIME of the environment), a blank and H:MM:SS; the
// date alone at exactly midnight, as the old date-time text did.
std::string dateTimeText(const LocalDateTime& t);

// The whole file as UTF-8: the seven header lines, then one row per record
// with the field(s) of `channelMode`; CR LF after every line.
std::string csvText(const Header& header, int16_t channelMode,
                    std::span<const SampleRecord> records);

}  // namespace tarn::datafile
