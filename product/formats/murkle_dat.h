// The layout of murkle.dat, shared by the host tool that writes it and the game
// that reads it. Plain C++ with no system headers: the writer runs on the build
// machine. Every number in the file is little-endian.
//
// The file is a header, a directory of chunks and the chunks themselves, each
// chunk starting on a 4-byte boundary:
//
//   header, 32 bytes
//     0  magic "MURKDAT" 0x1A
//     8  format version (kVersion)
//    12  size of the whole file
//    16  number of chunks
//    20  offset of the directory
//    24  CRC-32 of the directory
//    28  CRC-32 of header bytes 0-27
//   directory entry, 20 bytes each
//     0  tag (four letters, first letter in the low byte)
//     4  id, unique within its tag
//     8  offset of the chunk
//    12  size of the chunk
//    16  CRC-32 of the chunk's bytes
#ifndef MURKLE_DAT_H
#define MURKLE_DAT_H

#include <cstddef>
#include <cstdint>

namespace dat {

constexpr uint8_t kMagic[8] = {'M', 'U', 'R', 'K', 'D', 'A', 'T', 0x1A};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 32;
constexpr size_t kEntrySize = 20;
// Where each field of the header and of a directory entry is, as above.
namespace header_at {
constexpr size_t kMagic = 0, kVersion = 8, kFileSize = 12, kChunkCount = 16, kDirectory = 20, kDirectoryCrc = 24,
                 kHeaderCrc = 28;
}  // namespace header_at
namespace entry_at {
constexpr size_t kTag = 0, kId = 4, kOffset = 8, kSize = 12, kCrc = 16;
}  // namespace entry_at
constexpr uint32_t kMaxChunks = 1024;

constexpr uint32_t Tag(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kTagLevel = Tag('L', 'E', 'V', 'L');
constexpr uint32_t kTagTiles = Tag('T', 'I', 'L', 'E');
constexpr uint32_t kTagBackdrop = Tag('B', 'A', 'C', 'K');
constexpr uint32_t kTagSound = Tag('W', 'A', 'V', 'E');
constexpr uint32_t kTagText = Tag('T', 'E', 'X', 'T');

// Level chunk ("LEVL", id = level number from 1): a 48-byte header, then
// width * height cell codes, row by row from the top.
//     0  width                 u16
//     2  height                u16
//     4  oil                   u16  the lantern's fill at the start, also its capacity
//     6  oil in one flask      u16
//     8  light radius in cells u8
//     9  backdrop id           u8
//    10  ambient sound id      u8
//    11  reserved, 0           u8
//    12  name, NUL-terminated  char[32]
//    44  reserved, 0           u32
constexpr size_t kLevelHeaderSize = 48;
namespace level_at {
constexpr size_t kWidth = 0, kHeight = 2, kOil = 4, kFlaskOil = 6, kRadius = 8, kBackdrop = 9, kAmbient = 10,
                 kName = 12;
}  // namespace level_at
constexpr size_t kLevelNameSize = 32;
constexpr int kMinLevelSide = 5;
constexpr int kMaxLevelSide = 63;
constexpr int kMaxLevels = 32;
enum CellCode : uint8_t {
  kFloor = 0,
  kWall = 1,
  kFirefly = 2,
  kOilFlask = 3,
  kBog = 4,
  kStart = 5,
  kExit = 6,
  kCellCodes = 7,
};

// Picture chunk ("TILE" and "BACK"): an 8-byte header, then the rows from the
// top, 3 bytes a pixel (blue, green, red), each row padded to 4 bytes.
//     0  width                 u16
//     2  height                u16
//     4  frame width           u16  frames lie side by side; width is a multiple of it
//     6  bits per pixel        u16  always 24
constexpr size_t kPictureHeaderSize = 8;
namespace picture_at {
constexpr size_t kWidth = 0, kHeight = 2, kFrameWidth = 4, kBitsPerPixel = 6;
}  // namespace picture_at
constexpr int kTileSize = 32;
// Sprites are drawn over the floor; this colour is their transparent background.
constexpr uint8_t kKeyRed = 255, kKeyGreen = 0, kKeyBlue = 255;

constexpr size_t PictureStride(int width) { return (size_t(width) * 3 + 3) & ~size_t(3); }

// Tile sheets by id, and how many frames each has.
enum TileSheet : uint32_t {
  kTilesFloor = 1,    // variants
  kTilesWall = 2,     // variants
  kTilesBog = 3,      // animation
  kTilesStart = 4,    // one
  kTilesExit = 5,     // animation
  kTilesFirefly = 6,  // sprite animation
  kTilesOil = 7,      // sprite animation
  kTilesPlayer = 8,   // sprite: two walking frames for each of up, down, left, right
  kTilesIcons = 9,    // sprite: lantern (a life), oil drop, firefly
  kTileSheets = 9,
};
constexpr int kSheetFrames[kTileSheets + 1] = {0, 8, 8, 8, 1, 8, 8, 4, 8, 3};

// Backdrops (640 x 480) by id.
enum Backdrop : uint32_t {
  kBackdropTitle = 1,
  kBackdropDusk = 2,
  kBackdropNight = 3,
  kBackdropMist = 4,
  kBackdropDeep = 5,
  kBackdropGameOver = 6,
  kBackdropVictory = 7,
  kBackdrops = 7,
};
constexpr int kBackdropWidth = 640;
constexpr int kBackdropHeight = 480;

// Sounds ("WAVE"): each chunk is a complete RIFF WAVE file, 8-bit mono PCM.
enum Sound : uint32_t {
  kSoundBump = 1,
  kSoundFirefly = 2,
  kSoundOil = 3,
  kSoundBog = 4,
  kSoundExit = 5,
  kSoundLanternOut = 6,
  kSoundVictory = 7,
  kSoundAmbientDusk = 8,  // loops
  kSoundAmbientDeep = 9,  // loops
  kSounds = 9,
};
constexpr uint32_t kSampleRate = 22050;
// The RIFF WAVE header of a sound chunk, 44 bytes, then the samples.
namespace wave_at {
constexpr size_t kRiff = 0, kRiffSize = 4, kWaveFmt = 8, kFmtSize = 16, kFormat = 20, kChannels = 22,
                 kSampleRate = 24, kByteRate = 28, kBlockAlign = 32, kBitsPerSample = 34, kData = 36, kDataSize = 40,
                 kHeaderSize = 44;
}  // namespace wave_at

// Texts ("TEXT"): ASCII with CR LF line breaks, no terminator.
enum Text : uint32_t {
  kTextHowToPlay = 1,
};

// Little-endian access.
inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// CRC-32 as zlib and PNG compute it (reflected polynomial 0xEDB88320). Pass the
// previous result as crc to continue over a further piece.
inline uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  struct Table {
    uint32_t entry[256];
    Table() {
      for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        entry[n] = c;
      }
    }
  };
  static const Table table;
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table.entry[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace dat

#endif
