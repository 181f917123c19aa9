#include "data_file.h"

#include <cstring>

using namespace dat;

bool ParseLevel(const uint8_t* data, size_t size, Level* level) {
  if (!data || size < kLevelHeaderSize) return false;
  const int width = Get16(data + level_at::kWidth), height = Get16(data + level_at::kHeight);
  if (width < kMinLevelSide || width > kMaxLevelSide || height < kMinLevelSide || height > kMaxLevelSide)
    return false;
  if (size != kLevelHeaderSize + size_t(width) * height) return false;
  const int oil = Get16(data + level_at::kOil), flask = Get16(data + level_at::kFlaskOil), radius = data[level_at::kRadius];
  if (oil < 1 || radius < 1 || radius > kMaxLightRadius) return false;
  if (data[level_at::kBackdrop] < 1 || data[level_at::kBackdrop] > kBackdrops) return false;
  if (data[level_at::kAmbient] < 1 || data[level_at::kAmbient] > kSounds) return false;
  if (memchr(data + level_at::kName, 0, kLevelNameSize) == nullptr) return false;

  const uint8_t* cells = data + kLevelHeaderSize;
  int starts = 0, exits = 0, start = 0;
  for (int i = 0; i < width * height; ++i) {
    if (cells[i] >= kCellCodes) return false;
    if (cells[i] == kStart) {
      ++starts;
      start = i;
    }
    if (cells[i] == kExit) ++exits;
  }
  if (starts != 1 || exits < 1) return false;

  level->width = width;
  level->height = height;
  level->oil = oil;
  level->flask_oil = flask;
  level->radius = radius;
  level->backdrop = data[level_at::kBackdrop];
  level->ambient = data[level_at::kAmbient];
  memcpy(level->name, data + level_at::kName, kLevelNameSize);
  level->start_x = start % width;
  level->start_y = start / width;
  memcpy(level->cells, cells, size_t(width) * height);
  return true;
}

bool ParsePicture(const uint8_t* data, size_t size, PictureView* picture) {
  if (!data || size < kPictureHeaderSize) return false;
  const int width = Get16(data + picture_at::kWidth), height = Get16(data + picture_at::kHeight),
            frame = Get16(data + picture_at::kFrameWidth);
  if (width < 1 || height < 1 || frame < 1 || width % frame != 0 || Get16(data + picture_at::kBitsPerPixel) != 24)
    return false;
  if (size != kPictureHeaderSize + PictureStride(width) * height) return false;
  picture->width = width;
  picture->height = height;
  picture->frame_width = frame;
  picture->pixels = data + kPictureHeaderSize;
  return true;
}

bool CheckWave(const uint8_t* data, size_t size) {
  if (!data || size < wave_at::kHeaderSize) return false;
  if (memcmp(data + wave_at::kRiff, "RIFF", 4) != 0 || Get32(data + wave_at::kRiffSize) != size - 8 ||
      memcmp(data + wave_at::kWaveFmt, "WAVEfmt ", 8) != 0)
    return false;
  if (Get32(data + wave_at::kFmtSize) != 16 || Get16(data + wave_at::kFormat) != 1 || Get16(data + wave_at::kChannels) != 1 ||
      Get16(data + wave_at::kBitsPerSample) != 8)
    return false;
  if (Get32(data + wave_at::kSampleRate) == 0 || memcmp(data + wave_at::kData, "data", 4) != 0) return false;
  return Get32(data + wave_at::kDataSize) <= size - wave_at::kHeaderSize;
}

DataError DataFile::Open(const uint8_t* bytes, size_t size) {
  bytes_ = nullptr;
  size_ = 0;
  chunks_ = 0;
  level_count_ = 0;
  if (!bytes || size < kHeaderSize) return DataError::kTooShort;
  if (memcmp(bytes, kMagic, sizeof kMagic) != 0) return DataError::kBadMagic;
  if (Get32(bytes + header_at::kHeaderCrc) != Crc32(bytes, header_at::kHeaderCrc)) return DataError::kBadHeader;
  if (Get32(bytes + header_at::kVersion) != kVersion) return DataError::kBadVersion;
  const uint32_t declared = Get32(bytes + header_at::kFileSize);
  if (declared > size) return DataError::kTooShort;
  if (declared != size) return DataError::kBadHeader;
  const uint32_t count = Get32(bytes + header_at::kChunkCount), directory = Get32(bytes + header_at::kDirectory);
  if (count < 1 || count > kMaxChunks) return DataError::kBadHeader;
  // Sizes are compared by subtraction so that no sum can wrap.
  if (directory < kHeaderSize || directory > size || size - directory < count * kEntrySize)
    return DataError::kBadDirectory;
  if (Get32(bytes + header_at::kDirectoryCrc) != Crc32(bytes + directory, count * kEntrySize))
    return DataError::kBadDirectory;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytes + directory + i * kEntrySize;
    const uint32_t offset = Get32(entry + entry_at::kOffset), length = Get32(entry + entry_at::kSize);
    if (offset > size || length > size - offset) return DataError::kChunkOutside;
    if (Get32(entry + entry_at::kCrc) != Crc32(bytes + offset, length)) return DataError::kBadChunk;
  }
  bytes_ = bytes;
  size_ = size;
  chunks_ = count;
  int levels = 0;
  DataError content = CheckContents(&levels);
  if (content != DataError::kNone) {
    bytes_ = nullptr;
    size_ = 0;
    chunks_ = 0;
    return content;
  }
  level_count_ = levels;
  return DataError::kNone;
}

bool DataFile::Find(uint32_t tag, uint32_t id, ChunkView* chunk) const {
  if (!bytes_) return false;
  const uint8_t* directory = bytes_ + Get32(bytes_ + header_at::kDirectory);
  for (uint32_t i = 0; i < chunks_; ++i) {
    const uint8_t* entry = directory + i * kEntrySize;
    if (Get32(entry + entry_at::kTag) == tag && Get32(entry + entry_at::kId) == id) {
      chunk->data = bytes_ + Get32(entry + entry_at::kOffset);
      chunk->size = Get32(entry + entry_at::kSize);
      return true;
    }
  }
  return false;
}

bool DataFile::LoadLevel(int number, Level* level) const {
  ChunkView chunk;
  return number >= 1 && number <= level_count_ && Find(kTagLevel, uint32_t(number), &chunk) &&
         ParseLevel(chunk.data, chunk.size, level);
}

bool DataFile::Picture(uint32_t tag, uint32_t id, PictureView* picture) const {
  ChunkView chunk;
  return Find(tag, id, &chunk) && ParsePicture(chunk.data, chunk.size, picture);
}

bool DataFile::Sound(uint32_t id, SoundView* sound) const {
  ChunkView& wave = sound->wave;
  if (!Find(kTagSound, id, &wave) || !CheckWave(wave.data, wave.size)) return false;
  // CheckWave holds the rate to more than 0.
  const uint64_t samples = Get32(wave.data + wave_at::kDataSize), rate = Get32(wave.data + wave_at::kSampleRate);
  sound->milliseconds = uint32_t(samples * 1000 / rate);
  return true;
}

DataError DataFile::CheckContents(int* level_count) const {
  ChunkView chunk;
  // Levels are numbered from 1 without gaps; the first missing number ends them.
  int levels = 0;
  Level scratch;
  while (levels < kMaxLevels && Find(kTagLevel, uint32_t(levels + 1), &chunk)) {
    if (!ParseLevel(chunk.data, chunk.size, &scratch)) return DataError::kBadContent;
    ++levels;
  }
  if (levels == 0) return DataError::kMissingChunk;

  for (uint32_t id = 1; id <= kTileSheets; ++id) {
    if (!Find(kTagTiles, id, &chunk)) return DataError::kMissingChunk;
    PictureView p;
    if (!ParsePicture(chunk.data, chunk.size, &p) || p.height != kTileSize || p.frame_width != kTileSize ||
        p.width != kTileSize * kSheetFrames[id])
      return DataError::kBadContent;
  }
  for (uint32_t id = 1; id <= kBackdrops; ++id) {
    if (!Find(kTagBackdrop, id, &chunk)) return DataError::kMissingChunk;
    PictureView p;
    if (!ParsePicture(chunk.data, chunk.size, &p) || p.width != kBackdropWidth || p.height != kBackdropHeight)
      return DataError::kBadContent;
  }
  for (uint32_t id = 1; id <= kSounds; ++id) {
    if (!Find(kTagSound, id, &chunk)) return DataError::kMissingChunk;
    if (!CheckWave(chunk.data, chunk.size)) return DataError::kBadContent;
  }
  if (!Find(kTagText, kTextHowToPlay, &chunk)) return DataError::kMissingChunk;
  *level_count = levels;
  return DataError::kNone;
}
