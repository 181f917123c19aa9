// The layout of murkle.hsc, the high-score table's file, shared by the host
// tool that writes the installed table and the game that reads and writes
// each player's. Plain C++ with no system headers. Every number is
// little-endian.
//
// The file, 252 bytes:
//     0  magic "MHSC"
//     4  format version (kVersion)      u16
//     6  number of entries (kEntries)   u16
//     8  entries, 24 bytes each:
//          0  name, NUL-terminated, NUL-padded  char[16]
//         16  score                              u32
//         20  level reached                      u16
//         22  reserved, 0                        u16
//   248  CRC-32 of bytes 0-247
#ifndef MURKLE_HSC_H
#define MURKLE_HSC_H

#include <cstddef>
#include <cstdint>

namespace hsc {

constexpr uint8_t kMagic[4] = {'M', 'H', 'S', 'C'};
constexpr uint16_t kVersion = 1;
constexpr int kEntries = 10;
constexpr size_t kNameSize = 16;
constexpr size_t kEntrySize = 24;
// Where each field of the file and of an entry is, as above.
namespace file_at {
constexpr size_t kMagic = 0, kVersion = 4, kEntryCount = 6, kEntries = 8;
}  // namespace file_at
namespace entry_at {
constexpr size_t kName = 0, kScore = 16, kLevel = 20, kReserved = 22;
}  // namespace entry_at
constexpr size_t kCrcAt = file_at::kEntries + kEntries * kEntrySize;
constexpr size_t kFileSize = kCrcAt + 4;

static_assert(entry_at::kName + kNameSize == entry_at::kScore && entry_at::kReserved + 2 == kEntrySize,
              "an entry's fields fill it");

}  // namespace hsc

#endif
