#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "acquisition/measurement.h"
#include "analysis/values.h"
#include "board/commands.h"
#include "board/link.h"
#include "board/profile.h"
#include "common/seams.h"

namespace tarn {

// A board opened and checked by a program that waits on it.
struct Connection {
  BoardCheck check;
  // The rate the board reports: nothing when its reply does not name one of
  // the filter's rates.
  std::optional<int> rate;
};

// Opens `device` with the board's line, leaves the board at an empty command
// line and checks it, as the window connects. On failure the program's own
// message: "could not open" with the port's reason (`portFailed` set), or
// the board's "no answer" or "bad status". A port lost after it opened
// throws PortError.
struct Connected {
  std::optional<Connection> connection;
  std::string error;
  bool portFailed = false;
};
Connected connectBoard(BoardLink& link, const std::string& device, const BoardProfile& board);
// The same on a link already open: the check again.
Connected checkConnection(BoardLink& link, const BoardProfile& board);

// The board's stream on a port the caller waits on (the command line, the C
// library): what it brings is handed on as it comes until the stream is
// over or the caller asks to stop.
class Reception {
 public:
  // `stopRequested` is asked after each pass: true stops the reception.
  Reception(BoardLink& link, BytePort& port, Clock& clock, const BoardProfile& board,
            std::function<bool()> stopRequested)
      : link_(link),
        port_(port),
        clock_(clock),
        board_(board),
        stopRequested_(std::move(stopRequested)) {}

  // Hands `feed` what the port brings until it returns false (the stream is
  // over) or a stop is asked for: true for a stop. It is called at least
  // every 200 ms (within Sweep::kPoll), with nothing when nothing came.
  bool pump(const std::function<bool(std::string_view)>& feed);

  // The window's measurement: the start, the records until the count, a
  // stop, a full table or a lost port; the stop command sent where the
  // board still streams. `values` (of m's settings) reads the records as
  // they come, so that the end's summary waits for the last ones alone.
  // `onRecords` is called after each pass while it runs. The window's status
  // text at its end.
  std::string measure(Measurement& m, SampleValues& values, const std::function<void()>& onRecords);

 private:
  std::string finished(const Measurement& m, SampleValues& values, const char* heading) const;

  BoardLink& link_;
  BytePort& port_;
  Clock& clock_;
  const BoardProfile& board_;
  std::function<bool()> stopRequested_;
};

// "Discarded N records" for a measurement that discarded any, else nothing.
std::string discardedText(const Measurement& m);

}  // namespace tarn
