// The two checksums zlib's inflate asks for, in place of the library's own.
// The library's versions are unrolled and table-driven for speed on any input,
// some 10 KB of code and tables; these compute the same values in a few
// hundred bytes. They must be objects of the program itself, so that the
// linker takes them before it looks into the library.
#include <zlib.h>

#include <cstdint>

// Adler-32 checks every payload stream, so it runs over every installed byte.
// The sums are reduced only once per 5552 bytes: that many steps cannot carry
// b past 32 bits, even from the largest starting sums and all-0xFF input.
extern "C" uLong ZEXPORT adler32(uLong adler, const Bytef* buf, uInt len) {
  if (!buf) return 1;
  const uint32_t kBase = 65521;
  uint32_t a = static_cast<uint32_t>(adler) & 0xFFFFu;
  uint32_t b = static_cast<uint32_t>(adler >> 16) & 0xFFFFu;
  while (len > 0) {
    uInt block = len < 5552 ? len : 5552;
    len -= block;
    while (block--) {
      a += *buf++;
      b += a;
    }
    a %= kBase;
    b %= kBase;
  }
  return (static_cast<uLong>(b) << 16) | a;
}

// CRC-32 is asked for only in gzip streams, which this program never reads;
// computed bit by bit.
extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
  if (!buf) return 0;
  uint32_t value = ~static_cast<uint32_t>(crc);
  while (len--) {
    value ^= *buf++;
    for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
  }
  return ~value;
}
