#include "ui/form1.h"

namespace tarn {

bool Form1::SendCommand(const std::string& command, std::string& reply, int16_t timeout) {
  StartReplyTimer(timeout);
  // The timer is disarmed however the exchange ends, a port failure included.
  struct Disarm {
    Form1& form;
    ~Disarm() { form.StopReplyTimer(); }
  } disarm{*this};

  MSComm1.setRThreshold(0);
  reply = MSComm1.input();
  reply.clear();
  MSComm1.output(command + state.LineEnd);
  for (;;) {
    if (reply.find('\r') != std::string::npos) break;
    if (state.TimedOut) break;
    const std::string got = MSComm1.input();
    reply += got;
    // The deadline holds even for a peer that never pauses.
    if (Timer1.due(clock_.now())) {
      Timer1_Timer();
    } else if (got.empty()) {
      MSComm1.waitForInput(Timer1.deadline());
    }
  }
  const size_t cr = reply.find('\r');
  if (cr != std::string::npos && reply.size() > 1) {
    reply.resize(cr);
    return true;
  }
  reply.clear();
  return false;
}

void Form1::StartReplyTimer(int16_t interval) {
  Timer1.setEnabled(false, clock_.now());
  state.TimedOut = false;
  Timer1.setInterval(interval);
  Timer1.setEnabled(true, clock_.now());
}

void Form1::StopReplyTimer() {
  Timer1.setEnabled(false, clock_.now());
  state.TimedOut = false;
}

void Form1::Timer1_Timer() {
  Timer1.setEnabled(false, clock_.now());
  state.TimedOut = true;
}

}  // namespace tarn
