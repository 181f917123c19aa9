// Host tool: writes the game's data file (murkle.dat) and its initial score table
// (murkle.hsc). Everything is drawn and synthesised from fixed seeds, so every
// run on every machine writes the same bytes.
//
//   make_dat <size in bytes> <murkle.dat> [<murkle.hsc>]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "generator.h"
#include "murkle_dat.h"
#include "score_table.h"

namespace {

using gen::Bytes;

// Line breaks only between paragraphs: the window wraps the lines to its panel.
const char kHowToPlay[] =
    "Night has fallen on the marsh, and the fireflies are out.\r\n"
    "\r\n"
    "Walk with the arrow keys, or click where you want to go. "
    "Your lantern lights the cells around you; the marsh remembers what you have seen, dimly.\r\n"
    "\r\n"
    "Every step burns oil. Pick up flasks to refill the lantern. "
    "Catch fireflies for points. Keep out of the bog holes. "
    "Reach the stepping stones to leave the level: the oil you have left is worth a bonus.\r\n"
    "\r\n"
    "A bog hole or an empty lantern costs one of your three lanterns.\r\n";

// --- The file -------------------------------------------------------------------

struct Chunk {
  uint32_t tag, id;
  Bytes bytes;
};

Bytes Assemble(const std::vector<Chunk>& chunks) {
  const size_t directory = dat::kHeaderSize;
  size_t offset = directory + chunks.size() * dat::kEntrySize;
  Bytes file(offset, 0);
  for (size_t i = 0; i < chunks.size(); ++i) {
    offset = (file.size() + 3) & ~size_t(3);
    file.resize(offset, 0);
    file.insert(file.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
    uint8_t* entry = &file[directory + i * dat::kEntrySize];
    dat::Put32(entry + dat::entry_at::kTag, chunks[i].tag);
    dat::Put32(entry + dat::entry_at::kId, chunks[i].id);
    dat::Put32(entry + dat::entry_at::kOffset, uint32_t(offset));
    dat::Put32(entry + dat::entry_at::kSize, uint32_t(chunks[i].bytes.size()));
    dat::Put32(entry + dat::entry_at::kCrc, dat::Crc32(chunks[i].bytes.data(), chunks[i].bytes.size()));
  }
  namespace at = dat::header_at;
  memcpy(&file[at::kMagic], dat::kMagic, sizeof dat::kMagic);
  dat::Put32(&file[at::kVersion], dat::kVersion);
  dat::Put32(&file[at::kFileSize], uint32_t(file.size()));
  dat::Put32(&file[at::kChunkCount], uint32_t(chunks.size()));
  dat::Put32(&file[at::kDirectory], uint32_t(directory));
  dat::Put32(&file[at::kDirectoryCrc], dat::Crc32(&file[directory], chunks.size() * dat::kEntrySize));
  dat::Put32(&file[at::kHeaderCrc], dat::Crc32(&file[0], at::kHeaderCrc));
  return file;
}

// Every chunk but the deep marsh's ambient loop, which takes the room left
// (MakeFile); deep_sound is where it goes in the list.
std::vector<Chunk> MakeChunks(size_t* deep_sound, gen::Rng* dither) {
  std::vector<Chunk> chunks;
  for (int n = 1; n <= gen::LevelCount(); ++n) chunks.push_back({dat::kTagLevel, uint32_t(n), gen::LevelChunk(n)});
  for (uint32_t id = 1; id <= dat::kTileSheets; ++id) chunks.push_back({dat::kTagTiles, id, gen::TileSheetChunk(id)});
  for (uint32_t id = 1; id <= dat::kBackdrops; ++id) chunks.push_back({dat::kTagBackdrop, id, gen::BackdropChunk(id)});

  static_assert(dat::kSoundAmbientDeep == dat::kSounds, "the loop that fills the file is the last sound");
  for (uint32_t id = 1; id < dat::kSoundAmbientDeep; ++id) {
    Bytes sound = id == dat::kSoundAmbientDusk ? gen::AmbientChunk(id, size_t(12 * dat::kSampleRate), *dither)
                                               : gen::SoundChunk(id, *dither);
    chunks.push_back({dat::kTagSound, id, sound});
  }
  *deep_sound = chunks.size();
  chunks.push_back({dat::kTagSound, dat::kSoundAmbientDeep, Bytes()});
  chunks.push_back({dat::kTagText, dat::kTextHowToPlay, Bytes(kHowToPlay, kHowToPlay + sizeof kHowToPlay - 1)});
  return chunks;
}

// The file at the size that the installer declares for it, or as little below
// it as the chunks' 4-byte alignment leaves: the deep marsh's ambient loop
// takes the room. Empty when even a loop of no samples does not fit.
Bytes MakeFile(size_t size) {
  size_t deep = 0;
  gen::Rng dither(0xD17E);
  std::vector<Chunk> chunks = MakeChunks(&deep, &dither);
  chunks[deep].bytes = gen::AmbientChunk(dat::kSoundAmbientDeep, 0, dither);
  const size_t empty = Assemble(chunks).size();
  if (empty > size) return Bytes();
  // Each sample is a byte; an odd count gets a pad byte, and the text after
  // the loop moves to the next 4-byte boundary.
  for (size_t samples = size - empty + 4; samples > 0; --samples) {
    gen::Rng loop_dither = dither;
    chunks[deep].bytes = gen::AmbientChunk(dat::kSoundAmbientDeep, samples, loop_dither);
    Bytes file = Assemble(chunks);
    if (file.size() <= size) return file;
  }
  return Bytes();
}

bool WriteFile(const char* path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace

// Every firefly and flask can be taken; false, saying where one cannot.
bool LevelsPlayable() {
  for (int n = 1; n <= gen::LevelCount(); ++n) {
    int x = 0, y = 0;
    if (gen::FindUnreachableItem(gen::LevelChunk(n), &x, &y)) {
      std::fprintf(stderr,
                   "make_dat: level %d: the item at (%d, %d) cannot be reached from the start without crossing "
                   "the exit or a bog\n",
                   n, x, y);
      return false;
    }
  }
  return true;
}

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: make_dat <size in bytes> <murkle.dat> [<murkle.hsc>]\n");
    return 2;
  }
  if (!LevelsPlayable()) return 1;
  Bytes file = MakeFile(std::strtoul(argv[1], nullptr, 10));
  if (file.empty()) {
    std::fprintf(stderr, "make_dat: the data does not fit in %s bytes\n", argv[1]);
    return 1;
  }
  if (!WriteFile(argv[2], file.data(), file.size())) {
    std::fprintf(stderr, "make_dat: cannot write %s\n", argv[2]);
    return 1;
  }
  if (argc == 4) {
    ScoreTable table;
    DefaultScoreTable(&table);
    uint8_t bytes[kScoreFileSize];
    SerializeScores(table, bytes);
    if (!WriteFile(argv[3], bytes, sizeof bytes)) {
      std::fprintf(stderr, "make_dat: cannot write %s\n", argv[3]);
      return 1;
    }
  }
  return 0;
}
