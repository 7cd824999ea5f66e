/* libtarnview: the data-acquisition board for other programs, as a plain C
 * interface (C99 and C++). The same core as tarnview and tarnview-cli: the
 * same messages and the same data files.
 *
 * Every call returns a tarn_status; on anything but TARN_OK the reason is
 * kept for the calling thread and tarn_last_error() gives it (UTF-8, the
 * program's own text). Nothing is thrown across this interface.
 *
 * Threads: a board is used by one thread at a time, except tarn_board_stop(),
 * which any thread or a signal handler may call while another measures. Runs
 * are independent of their board and of each other: different runs may be
 * used at the same time from different threads; one run is read from several
 * threads at once only through the calls that do not change it (all but
 * tarn_run_free()). Calls that take no handle may run at any time. */
#ifndef TARNVIEW_H
#define TARNVIEW_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(TARNVIEW_BUILDING_LIBRARY)
#define TARNVIEW_API __declspec(dllexport)
#else
#define TARNVIEW_API __declspec(dllimport)
#endif
#else
#define TARNVIEW_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The interface's version as this header has it. A program compiled against
 * 0.x runs with a library whose major version is the same and whose minor
 * version is as high or higher: compare with tarn_version(). */
#define TARNVIEW_VERSION_MAJOR 0
#define TARNVIEW_VERSION_MINOR 1
#define TARNVIEW_VERSION_PATCH 0
#define TARNVIEW_VERSION_AT_LEAST(major, minor) \
  (TARNVIEW_VERSION_MAJOR == (major) && TARNVIEW_VERSION_MINOR >= (minor))

typedef enum tarn_status {
  TARN_OK = 0,
  TARN_ERROR_ARGUMENT = 1, /* a null handle, an unknown model, rate or channel */
  TARN_ERROR_PORT = 2,     /* the port could not be opened, or went away */
  TARN_ERROR_BOARD = 3,    /* the board did not answer, or refused */
  TARN_ERROR_FILE = 4,     /* a file could not be read or written, or is no data file */
  TARN_ERROR_REPORT = 5,   /* the runs give no report, or cannot be compared */
  TARN_ERROR_INTERNAL = 6  /* out of memory, or a fault of the library */
} tarn_status;

/* The data's format and the channels measured, as tarnview-cli names them. */
typedef enum tarn_format { TARN_FORMAT_BINARY = 0, TARN_FORMAT_MV = 1 } tarn_format;
typedef enum tarn_channels {
  TARN_CHANNEL_0 = 0,
  TARN_CHANNEL_1 = 1,
  TARN_CHANNELS_BOTH = 2
} tarn_channels;

/* How a measurement ended. */
typedef enum tarn_end {
  TARN_END_FINISHED = 1,   /* every record asked for came */
  TARN_END_TABLE_FULL = 2, /* an endless one filled the table */
  TARN_END_STOPPED = 4,    /* stopped: tarn_board_stop() or the progress callback */
  TARN_END_PORT_LOST = 5   /* the port went away: the records that came are kept */
} tarn_end;

typedef struct tarn_board tarn_board;
typedef struct tarn_run tarn_run;
typedef struct tarn_sweep tarn_sweep;

/* Called from the measuring thread after each batch of records and at least
 * every 200 ms: `received` records so far of `total` (0 for an endless run).
 * Return nonzero to stop the measurement (the board is sent its stop). Keep
 * it short: the records wait meanwhile. */
typedef int (*tarn_progress)(int32_t received, int32_t total, void* user);

/* The library's version. Any thread, any time. */
TARNVIEW_API tarn_status tarn_version(int* major, int* minor, int* patch);

/* The message of the calling thread's last failure, UTF-8; "" when none.
 * Valid until that thread's next call into the library. Any thread, any time. */
TARNVIEW_API tarn_status tarn_last_error(const char** message);

/* Opens the board on `port` ("COM4" as tarnview-cli takes it, or a device
 * path such as /dev/ttyUSB0) as `model` ("pellan2", "quorin2", "pellan";
 * NULL for pellan2) and checks it, as the window connects. Replies may take
 * as long as TARNVIEW_REPLY_MS says. On success *board is a new handle for
 * tarn_board_close(). Any thread; the new board is its own. */
TARNVIEW_API tarn_status tarn_board_open(const char* port, const char* model, tarn_board** board);

/* Leaves the board at an empty command line and closes its port; NULL is
 * allowed. No other call on this board may run or follow. */
TARNVIEW_API tarn_status tarn_board_close(tarn_board* board);

/* The connection check again: the board's ident, its settings and rate list,
 * and its current rate, read by the calls below. The board's thread only. */
TARNVIEW_API tarn_status tarn_board_check(tarn_board* board);

/* What the last check told, valid until the next check or the close: the
 * board's answer to "?", its settings ("±2.5V / IntRef / Sinc5+Sinc1"), the
 * number of rates its filter offers, and the text of one rate code. The
 * board's thread only. */
TARNVIEW_API tarn_status tarn_board_ident(tarn_board* board, const char** ident);
TARNVIEW_API tarn_status tarn_board_settings(tarn_board* board, const char** settings);
TARNVIEW_API tarn_status tarn_board_rate_count(tarn_board* board, int* count);
TARNVIEW_API tarn_status tarn_board_rate_text(tarn_board* board, int code, const char** text);

/* Reads the rate code from the board. The board's thread only. */
TARNVIEW_API tarn_status tarn_board_rate(tarn_board* board, int* code);

/* Sets the rate: a code ("3") or a rate text of the filter ("100.2sps"); the
 * code set in *code when not NULL. The board's thread only. */
TARNVIEW_API tarn_status tarn_board_set_rate(tarn_board* board, const char* rate, int* code);

/* Measures at the board's rate, as the window does: `count` records (1 to
 * 65535; 0 until stopped, at most 66001) of `channels` in `format`. Blocks
 * until the run ends; `progress` (NULL for none) is called on this thread.
 * On TARN_OK and on TARN_ERROR_PORT after the start, *run is the run (its
 * records so far when the port was lost, end TARN_END_PORT_LOST); otherwise
 * *run is NULL. The board's thread only; tarn_board_stop() from any. */
TARNVIEW_API tarn_status tarn_board_measure(tarn_board* board, int32_t count,
                                            tarn_channels channels, tarn_format format,
                                            tarn_progress progress, void* user, tarn_run** run);

/* Asks the running measurement to stop; one that starts later is not
 * affected. Any thread, and a signal handler: it only sets a flag and wakes
 * the wait. */
TARNVIEW_API tarn_status tarn_board_stop(tarn_board* board);

/* The sweep, as tarnview-cli sweep: at each of `rates` in turn (codes and
 * rate texts of the filter separated by commas; NULL or "" for every rate),
 * `count` records, or when `count` is 0 as many as `seconds` take (at least
 * 256), each run saved in the existing `folder` as it ends
 * ("rate-06-49.68sps.csv"), then the report `folder`/report.html (`note`, or
 * NULL, in its conditions) and the board back at its rate. `progress` gets
 * the runs ended and planned; tarn_board_stop() or its nonzero return stops
 * the sweep. On TARN_OK and on a failure after the start (a run that did not
 * finish, the rate not set back, the port lost: the status says which and
 * the last error every message, one a line) *sweep is the sweep for
 * tarn_sweep_free(); otherwise NULL. The board's thread only;
 * tarn_board_stop() from any. */
TARNVIEW_API tarn_status tarn_board_sweep(tarn_board* board, const char* rates, int32_t count,
                                          double seconds, tarn_channels channels,
                                          tarn_format format, const char* folder, const char* note,
                                          tarn_progress progress, void* user, tarn_sweep** sweep);

/* The number of planned runs, and the report's path ("" when it could not be
 * written); texts live as long as the sweep. Any thread, as a run. */
TARNVIEW_API tarn_status tarn_sweep_runs(const tarn_sweep* sweep, size_t* runs,
                                         const char** report);

/* Planned run `index`: its run (NULL when nothing was measured; it belongs
 * to the sweep), its data file ("" when none was written) and how it ended
 * ("finished", "stopped", "refused", "rate not set", "silent", "no valid
 * record", "port lost", "not run"). Any thread, as a run. */
TARNVIEW_API tarn_status tarn_sweep_run(const tarn_sweep* sweep, size_t index, const tarn_run** run,
                                        const char** file, const char** end);

/* Frees a sweep and its runs; NULL is allowed. */
TARNVIEW_API tarn_status tarn_sweep_free(tarn_sweep* sweep);

/* Reads the data file at `path` into a new run. Any thread. */
TARNVIEW_API tarn_status tarn_read(const char* path, tarn_run** run);

/* Frees a run; NULL is allowed. No other call on it may run or follow. */
TARNVIEW_API tarn_status tarn_run_free(tarn_run* run);

/* The run's settings: format, channels, the records asked for, the rate code
 * and text and the board's settings. Texts live as long as the run. */
TARNVIEW_API tarn_status tarn_run_settings(const tarn_run* run, tarn_format* format,
                                           tarn_channels* channels, int32_t* requested,
                                           int* rate_code, const char** rate_text,
                                           const char** board_settings);

/* The records kept, those discarded (damaged on the line, or rows of a file
 * that are not values), how it ended (a run read from a file: finished), and
 * the window's status text at its end ("" for a run read from a file). */
TARNVIEW_API tarn_status tarn_run_counts(const tarn_run* run, int32_t* received, int32_t* discarded,
                                         tarn_end* end, const char** status);

/* One channel's values (channel 0 or 1, one the run measured) into
 * `values`, which holds `capacity`; *written (when not NULL) the number
 * written, the records kept at most. Binary data as whole codes, mV data in
 * mV. */
TARNVIEW_API tarn_status tarn_run_codes(const tarn_run* run, int channel, int64_t* values,
                                        size_t capacity, size_t* written);
TARNVIEW_API tarn_status tarn_run_millivolts(const tarn_run* run, int channel, double* values,
                                             size_t capacity, size_t* written);

/* Saves the run as the window saves it, at `path` in one step. The date line
 * is a measured run's end (a sweep's start for its runs); a run read from a
 * file keeps its own. */
TARNVIEW_API tarn_status tarn_run_save(const tarn_run* run, const char* path);

/* The noise figures per channel as JSON, the "figures" array of
 * tarnview-cli stats --json; valid as long as the run. */
TARNVIEW_API tarn_status tarn_run_figures(tarn_run* run, const char** json);

/* The noise report of one run, or the page comparing two or more, written
 * at `path` in one step. */
TARNVIEW_API tarn_status tarn_report(const tarn_run* const* runs, size_t count, const char* path);

#ifdef __cplusplus
}
#endif

#endif /* TARNVIEW_H */
