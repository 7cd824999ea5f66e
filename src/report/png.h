#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarn {

// A picture of `columns` × `rows` pixels (0x00RRGGBB, the top row first) as
// the bytes of a PNG file: 8-bit RGB, its data in stored (uncompressed)
// deflate blocks, which every reader takes. For a shell with no image
// library of its own.
std::string pngOf(std::span<const uint32_t> pixels, int columns, int rows);

}  // namespace tarn
