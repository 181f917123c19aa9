// CRC-32 for zlib's inflate. The payload streams are zlib streams, checked
// with Adler-32; inflate asks for a CRC-32 only in gzip streams, which this
// program never reads. The library's table-driven version costs some 8 KB of
// tables and code for that; this one computes the same value bit by bit.
#include <zlib.h>

#include <cstdint>

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
  if (!buf) return 0;
  uint32_t value = ~static_cast<uint32_t>(crc);
  while (len--) {
    value ^= *buf++;
    for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
  }
  return ~value;
}
