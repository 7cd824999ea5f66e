/* tarnview.h from a C program: compiled as C99, so that the header stays C.
 * Opens the board on `port`, measures `count` records of CH0 and gives the
 * first code, or -1 with the library's message on stderr. */
#include <stdio.h>

#include "tarnview.h"

#if !TARNVIEW_VERSION_AT_LEAST(0, 1)
#error "the header's version macro"
#endif

long long c_first_code(const char* port, int32_t count) {
  tarn_board* board = NULL;
  tarn_run* run = NULL;
  int64_t code = -1;
  size_t written = 0;
  const char* message = "";
  if (tarn_board_open(port, "pellan2", &board) != TARN_OK ||
      tarn_board_measure(board, count, TARN_CHANNEL_0, TARN_FORMAT_BINARY, NULL, NULL, &run) !=
          TARN_OK ||
      tarn_run_codes(run, 0, &code, 1, &written) != TARN_OK || written != 1) {
    tarn_last_error(&message);
    fprintf(stderr, "tarnview: %s\n", message);
    code = -1;
  }
  tarn_run_free(run);
  tarn_board_close(board);
  return (long long)code;
}
