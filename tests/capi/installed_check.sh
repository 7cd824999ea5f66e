#!/bin/bash
# The installed library from outside the tree: a C program built with
# pkg-config, one with find_package(tarnview), and a Python script with the
# installed package, each measuring the simulated board. Arguments: the build
# folder and tarnboard.
set -euo pipefail
build=$1 tarnboard=$2
work=$(mktemp -d)
board=
cleanup() {
  if [[ -n $board ]]; then kill "$board" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

for component in library development python; do
  cmake --install "$build" --prefix "$work/prefix" --component "$component" >/dev/null
done

cat >"$work/measure.c" <<'C'
#include <stdio.h>
#include <tarnview.h>

int main(int argc, char** argv) {
  tarn_board* board;
  tarn_run* run;
  const char* text;
  int32_t received;
  int major;
  if (argc < 2 || tarn_version(&major, NULL, NULL) != TARN_OK || major != TARNVIEW_VERSION_MAJOR)
    return 2;
  if (tarn_board_open(argv[1], NULL, &board) != TARN_OK ||
      tarn_board_measure(board, 25, TARN_CHANNELS_BOTH, TARN_FORMAT_MV, NULL, NULL, &run) !=
          TARN_OK) {
    tarn_last_error(&text);
    fprintf(stderr, "%s\n", text);
    return 1;
  }
  tarn_run_counts(run, &received, NULL, NULL, &text);
  printf("%d %s\n", received, text);
  tarn_run_free(run);
  tarn_board_close(board);
  return 0;
}
C

PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name tarnview.pc)")
export PKG_CONFIG_PATH
libdir=$(pkg-config --variable=libdir tarnview)
# shellcheck disable=SC2046  # pkg-config's words are meant to split
cc -std=c99 -Wall -Werror -o "$work/by-pkg-config" "$work/measure.c" \
  $(pkg-config --cflags --libs tarnview) -Wl,-rpath,"$libdir"

mkdir "$work/project"
cp "$work/measure.c" "$work/project/"
cat >"$work/project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(measure C)
find_package(tarnview 0.1 REQUIRED)
add_executable(by-find-package measure.c)
target_link_libraries(by-find-package PRIVATE tarnview::tarnview)
CMAKE
cmake -S "$work/project" -B "$work/project/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/project/build" >/dev/null

cat >"$work/measure.py" <<'PYTHON'
import sys
import tarnview
with tarnview.Board(sys.argv[1]) as board:
    run = board.measure(count=25, channels="both", format="mv")
print(run.values.shape[1], run.status)
PYTHON
cat >"$work/by-python" <<SH
#!/bin/sh
PYTHONPATH="$work/prefix/lib/python3/dist-packages" exec /usr/bin/python3 "$work/measure.py" "\$1"
SH
chmod +x "$work/by-python"
unset TARNVIEW_LIBRARY

for program in "$work/by-pkg-config" "$work/project/build/by-find-package" "$work/by-python"; do
  coproc BOARD { "$tarnboard" --no-pacing; }
  board=$BOARD_PID
  read -r device <&"${BOARD[0]}"
  out=$("$program" "$device")
  kill "$board"
  wait "$board" 2>/dev/null || true
  board=
  [[ $out == "25 "* ]] || { echo "$program: $out" >&2; exit 1; }
  echo "$program: $out"
done
