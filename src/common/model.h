#pragma once

// Which program this copy of the core is built for: the two-model program or
// the single-model program for the older board. Set per target by the build.
#ifndef TARNVIEW_SOLO
#error "TARNVIEW_SOLO must be set by the build (0 or 1)"
#endif

namespace tarn {
inline constexpr bool kSolo = TARNVIEW_SOLO != 0;
}  // namespace tarn
