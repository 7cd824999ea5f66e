#pragma once

#include <string>

#include "tarnview.h"

// The calling thread's last message from the library.
inline std::string lastError() {
  const char* message = nullptr;
  tarn_last_error(&message);
  return message;
}

// header_in_c.c: the first CH0 code of `count` records measured through the
// header from C, or -1 with the message on stderr.
extern "C" long long c_first_code(const char* port, int32_t count);
