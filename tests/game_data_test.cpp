// murkle.dat as the build made it, and the reader's checks on damaged copies.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "data_file.h"
#include "game.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

std::vector<uint8_t> ReadPayload(const char* name) {
  std::string bytes = test::ReadWholeFile(test::JoinPath(TEST_PAYLOAD_DIR, name));
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

const std::vector<uint8_t>& BuiltData() {
  static const std::vector<uint8_t> bytes = ReadPayload("murkle.dat");
  return bytes;
}

// Rewrites the checksums a damaged copy must still get right for the damage
// underneath to be the thing that is noticed.
void ResealDirectory(std::vector<uint8_t>& b) {
  const uint32_t directory = dat::Get32(&b[dat::header_at::kDirectory]), count = dat::Get32(&b[dat::header_at::kChunkCount]);
  dat::Put32(&b[dat::header_at::kDirectoryCrc], dat::Crc32(&b[directory], count * dat::kEntrySize));
  dat::Put32(&b[dat::header_at::kHeaderCrc], dat::Crc32(&b[0], dat::header_at::kHeaderCrc));
}

uint8_t* Entry(std::vector<uint8_t>& b, uint32_t index) {
  return &b[dat::Get32(&b[dat::header_at::kDirectory]) + index * dat::kEntrySize];
}

// The directory index of a chunk.
uint32_t IndexOf(const std::vector<uint8_t>& b, uint32_t tag, uint32_t id) {
  const uint32_t count = dat::Get32(&b[dat::header_at::kChunkCount]);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = &b[dat::Get32(&b[dat::header_at::kDirectory]) + i * dat::kEntrySize];
    if (dat::Get32(e + dat::entry_at::kTag) == tag && dat::Get32(e + dat::entry_at::kId) == id) return i;
  }
  ADD_FAILURE() << "no chunk " << tag << "/" << id;
  return 0;
}

TEST(DataFile, TheBuiltFileIsCompleteAndSized) {
  const std::vector<uint8_t>& bytes = BuiltData();
  ASSERT_FALSE(bytes.empty());
  // The size the installer declares for it, or up to 3 bytes below (the
  // chunks are 4-byte aligned): its space check counts what is written.
  EXPECT_LE(bytes.size(), TEST_DAT_DECLARED_SIZE);
  EXPECT_GT(bytes.size(), TEST_DAT_DECLARED_SIZE - 4);
  DataFile data;
  ASSERT_EQ(data.Open(bytes.data(), bytes.size()), DataError::kNone);
  EXPECT_GE(data.level_count(), 5);
  for (uint32_t id = 1; id <= dat::kTileSheets; ++id) {
    PictureView p;
    ASSERT_TRUE(data.Picture(dat::kTagTiles, id, &p)) << "tile sheet " << id;
    EXPECT_EQ(p.width, dat::kTileSize * dat::kSheetFrames[id]) << "tile sheet " << id;
  }
  for (uint32_t id = 1; id <= dat::kSounds; ++id) {
    SoundView sound;
    ASSERT_TRUE(data.Sound(id, &sound)) << "sound " << id;
    EXPECT_EQ(dat::Get32(sound.wave.data + dat::wave_at::kSampleRate), dat::kSampleRate) << "sound " << id;
  }
}

TEST(DataFile, GeneratedTwiceItIsByteIdentical) {
  const std::string again = test::ReadWholeFile(TEST_BINARY_DIR "\\product\\data\\again\\murkle.dat");
  ASSERT_EQ(again.size(), BuiltData().size());
  EXPECT_TRUE(memcmp(again.data(), BuiltData().data(), again.size()) == 0) << "two runs of the generator differ";
}

TEST(DataFile, CompressesLikeRealData) {
  const std::vector<uint8_t>& bytes = BuiltData();
  const std::string packed = test::ZlibCompress(std::string(bytes.begin(), bytes.end()), 9);
  const double ratio = double(packed.size()) / double(bytes.size());
  EXPECT_GT(ratio, 0.30) << "too repetitive: " << packed.size() << " of " << bytes.size();
  EXPECT_LT(ratio, 0.80) << "too random: " << packed.size() << " of " << bytes.size();
}

// Every level can be finished: the exit is reachable from the start without a
// bog and within the lantern's starting fill; and every firefly and flask can
// be taken, reachable without a bog and without crossing the exit, which ends
// the level.
TEST(DataFile, EveryLevelCanBeFinished) {
  DataFile data;
  ASSERT_EQ(data.Open(BuiltData().data(), BuiltData().size()), DataError::kNone);
  for (int n = 1; n <= data.level_count(); ++n) {
    Level level;
    ASSERT_TRUE(data.LoadLevel(n, &level)) << "level " << n;
    std::vector<int> dist(size_t(level.width) * level.height, -1);
    std::vector<int> queue = {level.start_y * level.width + level.start_x};
    dist[size_t(queue[0])] = 0;
    int exit_distance = -1;
    for (size_t head = 0; head < queue.size(); ++head) {
      const int x = queue[head] % level.width, y = queue[head] / level.width;
      if (level.At(x, y) == dat::kExit) {
        if (exit_distance < 0) exit_distance = dist[size_t(queue[head])];
        continue;  // the level ends here: no walk goes on through it
      }
      const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
      for (int k = 0; k < 4; ++k) {
        const int nx = x + dx[k], ny = y + dy[k];
        if (!level.Inside(nx, ny) || dist[size_t(ny * level.width + nx)] >= 0) continue;
        if (level.At(nx, ny) == dat::kWall || level.At(nx, ny) == dat::kBog) continue;
        dist[size_t(ny * level.width + nx)] = dist[size_t(queue[head])] + 1;
        queue.push_back(ny * level.width + nx);
      }
    }
    EXPECT_GT(exit_distance, 0) << "level " << n << " has no way to its exit";
    EXPECT_LE(exit_distance, level.oil) << "level " << n << " runs out of oil on the shortest way";
    int items = 0;
    for (int y = 0; y < level.height; ++y)
      for (int x = 0; x < level.width; ++x) {
        const dat::CellCode code = level.At(x, y);
        if (code != dat::kFirefly && code != dat::kOilFlask) continue;
        ++items;
        EXPECT_GE(dist[size_t(y * level.width + x)], 0)
            << "level " << n << ": the " << (code == dat::kFirefly ? "firefly" : "flask") << " at (" << x << ", "
            << y << ") can be reached only across the exit or a bog";
      }
    EXPECT_GT(items, 0) << "level " << n << " has nothing to take";
  }
  Level first, last;
  ASSERT_TRUE(data.LoadLevel(1, &first));
  ASSERT_TRUE(data.LoadLevel(data.level_count(), &last));
  EXPECT_GT(last.width * last.height, first.width * first.height) << "levels grow";
  EXPECT_LT(last.radius, first.radius) << "levels get darker";
  Level beyond;
  EXPECT_FALSE(data.LoadLevel(data.level_count() + 1, &beyond));
  EXPECT_FALSE(data.LoadLevel(0, &beyond));
}

// A damaged copy of the file and the error the reader must give for it.
struct Damage {
  const char* what;
  DataError expected;
  void (*spoil)(std::vector<uint8_t>&);
};

const Damage kDamage[] = {
    {"empty", DataError::kTooShort, [](std::vector<uint8_t>& b) { b.clear(); }},
    {"shorter than a header", DataError::kTooShort, [](std::vector<uint8_t>& b) { b.resize(31); }},
    {"truncated by one byte", DataError::kTooShort, [](std::vector<uint8_t>& b) { b.pop_back(); }},
    {"truncated to half", DataError::kTooShort, [](std::vector<uint8_t>& b) { b.resize(b.size() / 2); }},
    {"a byte appended", DataError::kBadHeader, [](std::vector<uint8_t>& b) { b.push_back(0); }},
    {"bad magic", DataError::kBadMagic, [](std::vector<uint8_t>& b) { b[dat::header_at::kMagic + 3] = 'X'; }},
    {"header checksum wrong", DataError::kBadHeader, [](std::vector<uint8_t>& b) { b[dat::header_at::kHeaderCrc + 1] ^= 1; }},
    {"unknown version", DataError::kBadVersion,
     [](std::vector<uint8_t>& b) {
       dat::Put32(&b[dat::header_at::kVersion], dat::kVersion + 1);
       ResealDirectory(b);
     }},
    {"too many chunks", DataError::kBadHeader,
     [](std::vector<uint8_t>& b) {
       dat::Put32(&b[dat::header_at::kChunkCount], dat::kMaxChunks + 1);
       dat::Put32(&b[dat::header_at::kHeaderCrc], dat::Crc32(&b[0], dat::header_at::kHeaderCrc));
     }},
    {"directory past the end", DataError::kBadDirectory,
     [](std::vector<uint8_t>& b) {
       dat::Put32(&b[dat::header_at::kDirectory], uint32_t(b.size() - 8));
       dat::Put32(&b[dat::header_at::kHeaderCrc], dat::Crc32(&b[0], dat::header_at::kHeaderCrc));
     }},
    {"directory checksum wrong", DataError::kBadDirectory, [](std::vector<uint8_t>& b) { Entry(b, 2)[4] ^= 0x40; }},
    {"chunk checksum wrong", DataError::kBadChunk,
     [](std::vector<uint8_t>& b) { b[dat::Get32(Entry(b, 0) + 8) + 60] ^= 0x01; }},
    {"chunk pointing past the end", DataError::kChunkOutside,
     [](std::vector<uint8_t>& b) {
       dat::Put32(Entry(b, 3) + 8, uint32_t(b.size() - 10));
       ResealDirectory(b);
     }},
    {"chunk size wrapping round", DataError::kChunkOutside,
     [](std::vector<uint8_t>& b) {
       dat::Put32(Entry(b, 3) + 12, 0xFFFFFFF0u);
       ResealDirectory(b);
     }},
    {"first level missing", DataError::kMissingChunk,
     [](std::vector<uint8_t>& b) {
       dat::Put32(Entry(b, IndexOf(b, dat::kTagLevel, 1)) + 4, 99);
       ResealDirectory(b);
     }},
    {"a sound missing", DataError::kMissingChunk,
     [](std::vector<uint8_t>& b) {
       dat::Put32(Entry(b, IndexOf(b, dat::kTagSound, dat::kSoundBog)), dat::Tag('J', 'U', 'N', 'K'));
       ResealDirectory(b);
     }},
    {"a level that cannot be played", DataError::kBadContent,
     [](std::vector<uint8_t>& b) {
       uint8_t* e = Entry(b, IndexOf(b, dat::kTagLevel, 2));
       uint8_t* chunk = &b[dat::Get32(e + dat::entry_at::kOffset)];
       dat::Put16(chunk + 4, 0);  // no oil
       dat::Put32(e + dat::entry_at::kCrc, dat::Crc32(chunk, dat::Get32(e + dat::entry_at::kSize)));
       ResealDirectory(b);
     }},
    {"a sound that is not a wave file", DataError::kBadContent,
     [](std::vector<uint8_t>& b) {
       uint8_t* e = Entry(b, IndexOf(b, dat::kTagSound, dat::kSoundExit));
       uint8_t* chunk = &b[dat::Get32(e + dat::entry_at::kOffset)];
       dat::Put32(chunk + 40, dat::Get32(e + 12));  // more samples than the chunk holds
       dat::Put32(e + dat::entry_at::kCrc, dat::Crc32(chunk, dat::Get32(e + dat::entry_at::kSize)));
       ResealDirectory(b);
     }},
};

class DamagedDataFile : public testing::TestWithParam<Damage> {};

TEST_P(DamagedDataFile, IsRefusedWithItsReason) {
  std::vector<uint8_t> bytes = BuiltData();
  ASSERT_FALSE(bytes.empty());
  GetParam().spoil(bytes);
  DataFile data;
  EXPECT_EQ(data.Open(bytes.data(), bytes.size()), GetParam().expected) << GetParam().what;
  ChunkView chunk;
  EXPECT_FALSE(data.Find(dat::kTagText, dat::kTextHowToPlay, &chunk)) << "a refused file offers nothing";
  EXPECT_EQ(data.level_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedDataFile, testing::ValuesIn(kDamage),
                         [](const testing::TestParamInfo<Damage>& param_info) {
                           std::string name;
                           for (const char* p = param_info.param.what; *p; ++p)
                             if (isalnum(static_cast<unsigned char>(*p))) name += *p;
                           return name;
                         });

}  // namespace
