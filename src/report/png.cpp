#include "report/png.h"

#include <algorithm>
#include <array>

namespace tarn {
namespace {

uint32_t crc32(std::string_view bytes, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (const char b : bytes) crc = table[(crc ^ static_cast<uint8_t>(b)) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void bigEndian(std::string& out, uint32_t value) {
  for (const int shift : {24, 16, 8, 0}) out += static_cast<char>(value >> shift & 0xFF);
}

void chunk(std::string& out, std::string_view type, std::string_view data) {
  bigEndian(out, static_cast<uint32_t>(data.size()));
  const std::string typed = std::string(type) + std::string(data);
  out += typed;
  bigEndian(out, crc32(typed));
}

// The zlib stream of `raw` in stored blocks of at most 65535 bytes.
std::string zlibStored(std::string_view raw) {
  std::string out = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (const char c : raw) {
    a = (a + static_cast<uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  size_t at = 0;
  do {
    const size_t length = std::min<size_t>(raw.size() - at, 65535);
    out += static_cast<char>(at + length == raw.size() ? 1 : 0);  // the last block says so
    const auto n = static_cast<uint16_t>(length);
    for (const uint16_t v : {n, static_cast<uint16_t>(~n)}) {
      out += static_cast<char>(v & 0xFF);
      out += static_cast<char>(v >> 8);
    }
    out.append(raw.substr(at, length));
    at += length;
  } while (at < raw.size());
  bigEndian(out, b << 16 | a);
  return out;
}

}  // namespace

std::string pngOf(std::span<const uint32_t> pixels, int columns, int rows) {
  std::string raw;
  raw.reserve(static_cast<size_t>(rows) * (1 + 3 * static_cast<size_t>(columns)));
  for (int y = 0; y < rows; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < columns; ++x) {
      const uint32_t p =
          pixels[static_cast<size_t>(y) * static_cast<size_t>(columns) + static_cast<size_t>(x)];
      for (const int shift : {16, 8, 0}) raw += static_cast<char>(p >> shift & 0xFF);
    }
  }
  std::string header;
  bigEndian(header, static_cast<uint32_t>(columns));
  bigEndian(header, static_cast<uint32_t>(rows));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", zlibStored(raw));
  chunk(png, "IEND", {});
  return png;
}

}  // namespace tarn
