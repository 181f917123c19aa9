// Reading murkle.dat: the header, the chunk directory and the checksums are all
// checked before anything in the file is used, and so is every chunk the game
// needs, so that the window code can take what it finds on trust.
#ifndef MURKLE_DATA_FILE_H
#define MURKLE_DATA_FILE_H

#include <cstddef>
#include <cstdint>

#include "level.h"
#include "murkle_dat.h"

enum class DataError {
  kNone,
  kTooShort,        // shorter than its header, or than the header says
  kBadMagic,        // not a Murkle data file
  kBadVersion,      // a format this game does not know
  kBadHeader,       // header checksum, size or chunk count wrong
  kBadDirectory,    // directory outside the file or its checksum wrong
  kChunkOutside,    // a chunk reaching past the end of the file
  kBadChunk,        // a chunk's checksum wrong
  kMissingChunk,    // a chunk the game needs is not there
  kBadContent,      // a chunk the game needs does not make sense
  kTooLarge,        // far larger than any data file of the game (not read at all)
};

struct ChunkView {
  const uint8_t* data;
  size_t size;
};

// A sound: the whole RIFF WAVE file, for PlaySound(SND_MEMORY), and how long
// it plays.
struct SoundView {
  ChunkView wave;
  uint32_t milliseconds;
};

// A picture chunk's pixels, rows from the top (a top-down DIB).
struct PictureView {
  int width, height, frame_width;
  const uint8_t* pixels;  // height rows of dat::PictureStride(width) bytes
};

class DataFile {
 public:
  // Checks bytes (which must outlive this object) as a whole data file.
  DataError Open(const uint8_t* bytes, size_t size);

  bool Find(uint32_t tag, uint32_t id, ChunkView* chunk) const;
  int level_count() const { return level_count_; }
  // Level number from 1 to level_count().
  bool LoadLevel(int number, Level* level) const;
  bool Picture(uint32_t tag, uint32_t id, PictureView* picture) const;
  bool Sound(uint32_t id, SoundView* sound) const;

 private:
  DataError CheckContents(int* level_count) const;

  const uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  uint32_t chunks_ = 0;
  int level_count_ = 0;
};

// Checks a picture chunk: header, sizes, frame layout.
bool ParsePicture(const uint8_t* data, size_t size, PictureView* picture);
// Checks a sound chunk: a RIFF WAVE file of 8-bit mono PCM whose data fits.
bool CheckWave(const uint8_t* data, size_t size);

#endif
