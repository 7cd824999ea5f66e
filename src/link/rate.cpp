#include "common/errors.h"
#include "common/numbers.h"
#include "link/link_texts.h"
#include "ui/form1.h"

namespace tarn {

void Form1::Command29_Click() {
  try {
    if (!MSComm1.portOpen()) {
      Status.setText(link_texts::kComNotOpen);
      return;
    }
    if (!Ask("F?") || state.ReplyText.size() < 2) {
      Status.setText(link_texts::kRateReadError);
      return;
    }
    state.ReplyText = state.ReplyText.substr(1, 1);
    // A character that is no hexadecimal digit reads as 0; a code past the
    // end of the list is refused by the list.
    Combo1.setListIndex(toInt16(TextToNumber("&H" + state.ReplyText)));
    Status.setText(link_texts::kRateRead);
  } catch (const PlatformError&) {
    Status.setText(link_texts::kRateReadError);
  }
}

void Form1::Command6_Click() {
  try {
    if (!MSComm1.portOpen()) {
      Status.setText(link_texts::kComNotOpen);
      return;
    }
    Status.setText(SendRate() ? link_texts::kRateSet : link_texts::kRateNotSet);
  } catch (const PlatformError&) {
    dropPort(link_texts::kPortLost);
  }
}

bool Form1::SendRate() {
  // The last hexadecimal digit of the index as a 16-bit value: no selection
  // (-1, FFFF) sends "F".
  std::string command = "F";
  command += hex16(Combo1.listIndex()).back();
  return Ask(command) && state.ReplyText.compare(0, 2, "OK") == 0;
}

}  // namespace tarn
