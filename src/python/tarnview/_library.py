"""libtarnview through ctypes: finding it, its calls' types, and its statuses."""

from __future__ import annotations

import ctypes
import os
import sys
from pathlib import Path
from typing import Any, Callable

c_int_p = ctypes.POINTER(ctypes.c_int)
c_int32_p = ctypes.POINTER(ctypes.c_int32)
c_char_pp = ctypes.POINTER(ctypes.c_char_p)
c_size_p = ctypes.POINTER(ctypes.c_size_t)
handle_p = ctypes.POINTER(ctypes.c_void_p)

#: int progress(int32_t received, int32_t total, void* user)
PROGRESS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_int32, ctypes.c_int32, ctypes.c_void_p)

# Each call's arguments; every call returns a tarn_status.
_CALLS: dict[str, list[Any]] = {
    "tarn_version": [c_int_p, c_int_p, c_int_p],
    "tarn_last_error": [c_char_pp],
    "tarn_board_open": [ctypes.c_char_p, ctypes.c_char_p, handle_p],
    "tarn_board_close": [ctypes.c_void_p],
    "tarn_board_check": [ctypes.c_void_p],
    "tarn_board_ident": [ctypes.c_void_p, c_char_pp],
    "tarn_board_settings": [ctypes.c_void_p, c_char_pp],
    "tarn_board_rate_count": [ctypes.c_void_p, c_int_p],
    "tarn_board_rate_text": [ctypes.c_void_p, ctypes.c_int, c_char_pp],
    "tarn_board_rate": [ctypes.c_void_p, c_int_p],
    "tarn_board_set_rate": [ctypes.c_void_p, ctypes.c_char_p, c_int_p],
    "tarn_board_measure": [ctypes.c_void_p, ctypes.c_int32, ctypes.c_int, ctypes.c_int,
                           PROGRESS, ctypes.c_void_p, handle_p],
    "tarn_board_stop": [ctypes.c_void_p],
    "tarn_board_sweep": [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int32, ctypes.c_double,
                         ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p, PROGRESS,
                         ctypes.c_void_p, handle_p],
    "tarn_sweep_runs": [ctypes.c_void_p, c_size_p, c_char_pp],
    "tarn_sweep_run": [ctypes.c_void_p, ctypes.c_size_t, handle_p, c_char_pp, c_char_pp],
    "tarn_sweep_free": [ctypes.c_void_p],
    "tarn_read": [ctypes.c_char_p, handle_p],
    "tarn_run_free": [ctypes.c_void_p],
    "tarn_run_settings": [ctypes.c_void_p, c_int_p, c_int_p, c_int32_p, c_int_p, c_char_pp,
                          c_char_pp],
    "tarn_run_counts": [ctypes.c_void_p, c_int32_p, c_int32_p, c_int_p, c_char_pp],
    "tarn_run_codes": [ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t, c_size_p],
    "tarn_run_millivolts": [ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t,
                            c_size_p],
    "tarn_run_save": [ctypes.c_void_p, ctypes.c_char_p],
    "tarn_run_figures": [ctypes.c_void_p, c_char_pp],
    "tarn_report": [ctypes.POINTER(ctypes.c_void_p), ctypes.c_size_t, ctypes.c_char_p],
}

OK, ARGUMENT, PORT, BOARD, FILE, REPORT, INTERNAL = range(7)


def _candidates() -> list[str]:
    """Where the library may be: TARNVIEW_LIBRARY, beside this package as
    `cmake --install` and the Windows installer lay it out, then the system's
    loader."""
    named = os.environ.get("TARNVIEW_LIBRARY")
    if named:
        return [named]
    here = Path(__file__).resolve().parent
    if sys.platform == "win32":
        # The installer's folder: python\tarnview here, bin\tarnview.dll.
        return [str(p) for p in (here / "tarnview.dll", here.parents[1] / "bin" / "tarnview.dll")
                if p.is_file()] + ["tarnview.dll"]
    # <prefix>/lib/python3/dist-packages/tarnview: the library in <prefix>/lib
    # or <prefix>/lib/<multiarch triplet>.
    lib = here.parents[2]
    found = sorted(lib.glob("libtarnview.so.0")) + sorted(lib.glob("*/libtarnview.so.0"))
    return [str(p) for p in found] + ["libtarnview.so.0"]


def load() -> ctypes.CDLL:
    """The library with its calls typed; ImportError saying where it looked."""
    tried = []
    for candidate in _candidates():
        try:
            lib = ctypes.CDLL(candidate)
            break
        except OSError as e:
            tried.append(f"{candidate} ({e})")
    else:
        raise ImportError("tarnview: libtarnview was not found: " + "; ".join(tried))
    for name, argtypes in _CALLS.items():
        function: Callable[..., int] = getattr(lib, name)
        function.argtypes = argtypes  # type: ignore[attr-defined]
        function.restype = ctypes.c_int  # type: ignore[attr-defined]
    return lib


def text(value: bytes | None) -> str:
    """A text the library gave, UTF-8."""
    return (value or b"").decode("utf-8", errors="replace")
