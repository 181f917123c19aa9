// The high-score table: its rules, its file format, and saving and loading it
// through real files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "murkle_dat.h"
#include "score_table.h"
#include "storage.h"
#include "support/test_support.h"
#include "test_paths.h"

namespace {

std::string Serialized(const ScoreTable& table) {
  uint8_t bytes[kScoreFileSize];
  SerializeScores(table, bytes);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

bool SameTable(const ScoreTable& a, const ScoreTable& b) { return Serialized(a) == Serialized(b); }

ScoreTable Default() {
  ScoreTable table;
  DefaultScoreTable(&table);
  return table;
}

TEST(ScoreTable, ShippedTableIsTheDefaultOneAndSmall) {
  const std::string shipped = test::ReadWholeFile(test::JoinPath(TEST_PAYLOAD_DIR, "murkle.hsc"));
  EXPECT_LT(shipped.size(), 512u) << "smaller than the installer declares";
  ScoreTable table;
  ASSERT_TRUE(ParseScores(reinterpret_cast<const uint8_t*>(shipped.data()), shipped.size(), &table));
  EXPECT_TRUE(SameTable(table, Default()));
  for (int i = 1; i < kScoreEntries; ++i)
    EXPECT_GT(table.entries[i - 1].score, table.entries[i].score) << "place " << i;
}

TEST(ScoreTable, InsertionKeepsOrderAndPutsNewcomersBelowTies) {
  struct Case {
    uint32_t score;
    int place;  // -1: does not enter
  };
  // The default table's scores run 2400, 2050, 1800, 1500, ... 400, 200.
  const Case cases[] = {{99999, 0}, {2401, 0}, {2400, 1}, {1500, 4}, {1499, 4}, {201, 9}, {200, -1}, {0, -1}};
  for (const Case& c : cases) {
    ScoreTable table = Default();
    const ScoreTable before = table;
    EXPECT_EQ(ScoreQualifies(table, c.score), c.place >= 0) << c.score;
    const int place = InsertScore(&table, "Newcomer", c.score, 3);
    EXPECT_EQ(place, c.place) << c.score;
    if (place < 0) {
      EXPECT_TRUE(SameTable(table, before)) << c.score << ": a score that does not enter changes nothing";
      continue;
    }
    EXPECT_STREQ(table.entries[place].name, "Newcomer");
    EXPECT_EQ(table.entries[place].score, c.score);
    EXPECT_EQ(table.entries[place].level, 3);
    for (int i = 0; i < place; ++i) EXPECT_STREQ(table.entries[i].name, before.entries[i].name) << c.score;
    for (int i = place + 1; i < kScoreEntries; ++i)
      EXPECT_STREQ(table.entries[i].name, before.entries[i - 1].name) << c.score << ": shifted down by one";
  }
}

TEST(ScoreTable, EqualScoresKeepTheOrderTheyWereReached) {
  ScoreTable table = Default();
  EXPECT_EQ(InsertScore(&table, "First", 3000, 2), 0);
  EXPECT_EQ(InsertScore(&table, "Second", 3000, 2), 1);
  EXPECT_EQ(InsertScore(&table, "Third", 3000, 2), 2);
  EXPECT_STREQ(table.entries[0].name, "First");
  EXPECT_STREQ(table.entries[2].name, "Third");
  EXPECT_EQ(table.entries[3].score, 2400u);
  EXPECT_EQ(InsertScore(&table, "Deep", 5000, 250), 0);
  EXPECT_EQ(table.entries[0].level, kMaxScoreLevel) << "levels are clamped to what the file can hold";
}

TEST(ScoreTable, NamesAreCleaned) {
  struct Case {
    const char* typed;
    const char* stored;
  };
  const Case cases[] = {
      {"Wren", "Wren"},
      {"  Wren  ", "Wren"},
      {"", "Anonymous"},
      {"    ", "Anonymous"},
      {nullptr, "Anonymous"},
      {"A\tB\x7F" "C", "A?B?C"},
      {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNO"},
      {"ABCDEFGHIJKLMN OPQ", "ABCDEFGHIJKLMN"},  // cut at 15, the trailing blank dropped
  };
  for (const Case& c : cases) {
    char name[kScoreNameSize];
    memset(name, 'x', sizeof name);
    CleanScoreName(c.typed, name);
    EXPECT_STREQ(name, c.stored) << (c.typed ? c.typed : "(null)");
    for (size_t i = strlen(name); i < sizeof name; ++i)
      EXPECT_EQ(name[i], '\0') << "no stray bytes after the name";
  }
}

TEST(ScoreTable, RoundTripsThroughItsFormat) {
  ScoreTable table = Default();
  InsertScore(&table, "Round Trip", 2222, 7);
  const std::string bytes = Serialized(table);
  ASSERT_EQ(bytes.size(), kScoreFileSize);
  ScoreTable read;
  memset(&read, 0x5A, sizeof read);
  ASSERT_TRUE(ParseScores(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &read));
  EXPECT_TRUE(SameTable(read, table));
  EXPECT_STREQ(read.entries[1].name, "Round Trip");
}

// Score files with one thing wrong; the checksum is fixed up afterwards unless
// the checksum itself is the fault.
TEST(ScoreTable, RefusesDamagedFilesAndLeavesTheTableAlone) {
  struct Case {
    const char* what;
    size_t offset;
    int value;  // -1: drop the last byte; -2: append a byte
    bool reseal;
  };
  const size_t row = hsc::file_at::kEntries;  // the first entry
  const Case cases[] = {
      {"short", 0, -1, false},
      {"long", 0, -2, false},
      {"magic", hsc::file_at::kMagic, 'X', true},
      {"version", hsc::file_at::kVersion, 2, true},
      {"count", hsc::file_at::kEntryCount, 9, true},
      {"checksum", hsc::kCrcAt + 3, 0x77, false},
      {"control character in a name", row + hsc::entry_at::kName + 1, 0x07, true},
      {"empty name", row + hsc::entry_at::kName, 0, true},
      {"stray byte after a name", row + hsc::entry_at::kName + 14, 'z', true},
      {"level 0", row + hsc::entry_at::kLevel, 0, true},
      {"level 100", row + hsc::entry_at::kLevel, 100, true},
      {"reserved field", row + hsc::entry_at::kReserved, 1, true},
      // the top byte of the second entry's score
      {"scores out of order", row + hsc::kEntrySize + hsc::entry_at::kScore + 2, 0x7F, true},
  };
  const std::string good = Serialized(Default());
  for (const Case& c : cases) {
    std::string bytes = good;
    if (c.value == -1) bytes.pop_back();
    else if (c.value == -2) bytes.push_back('\0');
    else bytes[c.offset] = char(c.value);
    if (c.reseal) {
      uint8_t* p = reinterpret_cast<uint8_t*>(&bytes[0]);
      dat::Put32(p + hsc::kCrcAt, dat::Crc32(p, hsc::kCrcAt));
    }
    ScoreTable table;
    memset(&table, 0x5A, sizeof table);
    EXPECT_FALSE(ParseScores(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &table)) << c.what;
    EXPECT_EQ(table.entries[0].score, 0x5A5A5A5Au) << c.what << ": the table must be untouched";
  }
}

// --- Files ----------------------------------------------------------------------

TEST(ScoreFile, LoadGivesAFreshTableForMissingShortCorruptOrHugeFiles) {
  test::ScratchDir dir("game_scores_load");
  ScoreTable saved = Default();
  InsertScore(&saved, "Saved", 5000, 4);
  ASSERT_TRUE(test::WriteWholeFile(dir / "good.hsc", Serialized(saved)));
  const std::string good = Serialized(saved);
  ASSERT_TRUE(test::WriteWholeFile(dir / "short.hsc", good.substr(0, 100)));
  std::string flipped = good;
  flipped[40] ^= 0x20;
  ASSERT_TRUE(test::WriteWholeFile(dir / "flipped.hsc", flipped));
  ASSERT_TRUE(test::WriteWholeFile(dir / "huge.hsc", std::string(100000, 'M')));
  ASSERT_TRUE(test::WriteWholeFile(dir / "empty.hsc", ""));
  ASSERT_TRUE(CreateDirectoryA((dir / "folder.hsc").c_str(), nullptr));

  struct Case {
    const char* name;
    ScoreLoad expected;
  };
  const Case cases[] = {{"good.hsc", ScoreLoad::kLoaded},      {"missing.hsc", ScoreLoad::kMissing},
                        {"short.hsc", ScoreLoad::kCorrupt},    {"flipped.hsc", ScoreLoad::kCorrupt},
                        {"huge.hsc", ScoreLoad::kCorrupt},     {"empty.hsc", ScoreLoad::kCorrupt},
                        {"folder.hsc", ScoreLoad::kUnreadable}};
  for (const Case& c : cases) {
    ScoreTable table;
    memset(&table, 0x5A, sizeof table);
    DWORD error = 0xdeadbeef;
    EXPECT_EQ(LoadScores((dir / c.name).c_str(), &table, &error), c.expected) << c.name;
    EXPECT_TRUE(SameTable(table, c.expected == ScoreLoad::kLoaded ? saved : Default())) << c.name;
    if (c.expected == ScoreLoad::kMissing) {
      EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND)) << c.name;
    }
    if (c.expected == ScoreLoad::kUnreadable) {
      EXPECT_NE(error, 0u) << c.name;
    }
  }
}

TEST(ScoreFile, SaveReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  test::ScratchDir dir("game_scores_save");
  const std::string path = dir / "murkle.hsc";
  ASSERT_TRUE(test::WriteWholeFile(path, std::string(600, 'o')));  // longer than a table
  ScoreTable table = Default();
  InsertScore(&table, "Keeper", 4000, 5);
  DWORD error = 0xdeadbeef;
  ASSERT_TRUE(SaveScores(path.c_str(), table, &error)) << "error " << error;
  EXPECT_EQ(error, 0xdeadbeefu) << "success leaves the error alone";
  EXPECT_EQ(test::ReadWholeFile(path), Serialized(table)) << "no tail of the old file";
  EXPECT_FALSE(test::FileExists(path + ".tmp"));
  ScoreTable read;
  EXPECT_EQ(LoadScores(path.c_str(), &read, &error), ScoreLoad::kLoaded);
  EXPECT_TRUE(SameTable(read, table));
}

// Two copies of the game load the same table and each saves its game: the
// later save keeps the earlier one's entry, a tie leaves the older above,
// and a copy whose score the others have pushed out changes nothing.
TEST(ScoreFile, TwoSavesFromTwoLoadedTablesKeepBothEntries) {
  test::ScratchDir dir("game_scores_merge");
  const std::string path = dir / "murkle.hsc";
  ASSERT_TRUE(test::WriteWholeFile(path, Serialized(Default())));
  ScoreTable first, second, third;
  DWORD error = 0;
  for (ScoreTable* table : {&first, &second, &third})
    ASSERT_EQ(LoadScores(path.c_str(), table, &error), ScoreLoad::kLoaded) << "error " << error;

  // The default table ends 600, 400, 200.
  int place = -2;
  ASSERT_TRUE(SaveScore(path.c_str(), "Bee", 424, 2, &second, &place, &error)) << "error " << error;
  EXPECT_EQ(place, 8);
  place = -2;
  ASSERT_TRUE(SaveScore(path.c_str(), "Ay", 424, 3, &first, &place, &error)) << "error " << error;
  EXPECT_EQ(place, 9) << "a tie goes below the older entry";
  ScoreTable expected = Default();
  InsertScore(&expected, "Bee", 424, 2);
  InsertScore(&expected, "Ay", 424, 3);
  EXPECT_EQ(test::ReadWholeFile(path), Serialized(expected)) << "both entries, the earlier save above";
  EXPECT_TRUE(SameTable(first, expected)) << "the saving copy holds the table as saved";

  place = -2;
  ASSERT_TRUE(SaveScore(path.c_str(), "Late", 401, 2, &third, &place, &error)) << "error " << error;
  EXPECT_EQ(place, -1) << "401 no longer enters";
  EXPECT_EQ(test::ReadWholeFile(path), Serialized(expected)) << "a score that does not enter changes nothing";
  EXPECT_FALSE(test::FileExists(path + ".tmp"));
  EXPECT_FALSE(test::FileExists(path + ".lock")) << "the lock goes with the save";

  // No table on disk yet: the entry goes into the table the copy holds.
  const std::string fresh = dir / "fresh.hsc";
  ScoreTable held = Default();
  place = -2;
  ASSERT_TRUE(SaveScore(fresh.c_str(), "Wren", 5000, 4, &held, &place, &error)) << "error " << error;
  EXPECT_EQ(place, 0);
  ScoreTable with_wren = Default();
  InsertScore(&with_wren, "Wren", 5000, 4);
  EXPECT_EQ(test::ReadWholeFile(fresh), Serialized(with_wren));
}

// A table written under another code page may end a name in half a
// character, whose other half would be the blank shown after the name: the
// half goes when the table is read.
TEST(ScoreFile, ANameEndingInHalfACharacterLosesTheHalf) {
  std::string kanji;  // 95 5C in code page 932
  if (!test::InCodePage("表", &kanji) || kanji.size() != 2) GTEST_SKIP() << "no double-byte code page";
  test::ScratchDir dir("game_scores_half");
  const std::string path = dir / "murkle.hsc";
  ScoreTable table = Default();
  memcpy(table.entries[0].name, ("Ab" + kanji.substr(0, 1)).c_str(), 4);
  ASSERT_TRUE(test::WriteWholeFile(path, Serialized(table)));
  DWORD error = 0;
  ScoreTable read;
  ASSERT_EQ(LoadScores(path.c_str(), &read, &error), ScoreLoad::kLoaded);
  EXPECT_STREQ(read.entries[0].name, "Ab");
  EXPECT_STREQ(read.entries[1].name, table.entries[1].name);
}

TEST(ScoreFile, AFailedSaveKeepsTheOldFileAndSaysWhy) {
  test::ScratchDir dir("game_scores_fail");
  const ScoreTable table = Default();

  // The folder does not exist: the temporary file cannot be made.
  DWORD error = 0xdeadbeef;
  const std::string nowhere = dir / "gone\\murkle.hsc";
  EXPECT_FALSE(SaveScores(nowhere.c_str(), table, &error));
  EXPECT_EQ(error, DWORD(ERROR_PATH_NOT_FOUND));

  // The score file is held open by someone who shares nothing: the
  // temporary file is written but cannot take the old one's place.
  const std::string held = dir / "held.hsc";
  ASSERT_TRUE(test::WriteWholeFile(held, "old table"));
  HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  error = 0xdeadbeef;
  const bool saved = SaveScores(held.c_str(), table, &error);
  CloseHandle(lock);
  EXPECT_FALSE(saved);
  EXPECT_NE(error, 0xdeadbeefu);
  EXPECT_NE(error, 0u);
  EXPECT_EQ(test::ReadWholeFile(held), "old table") << "the old table is untouched";
  EXPECT_FALSE(test::FileExists(held + ".tmp")) << "the temporary file is cleaned up";

  // The name is taken by a folder.
  const std::string folder = dir / "folder.hsc";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  error = 0xdeadbeef;
  EXPECT_FALSE(SaveScores(folder.c_str(), table, &error));
  EXPECT_NE(error, 0xdeadbeefu);
  EXPECT_TRUE(test::DirectoryExists(folder));
  EXPECT_FALSE(test::FileExists(folder + ".tmp"));
}

TEST(ProgramFiles, PathsNextToTheProgramAndBoundedReads) {
  char module[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, module, sizeof module), 0u);
  *(strrchr(module, '\\') + 1) = '\0';
  char path[MAX_PATH];
  ASSERT_TRUE(PathNextToProgram("murkle.dat", path));
  EXPECT_EQ(std::string(path), std::string(module) + "murkle.dat");

  memset(path, 'x', sizeof path);
  const std::string overlong(MAX_PATH, 'n');
  EXPECT_FALSE(PathNextToProgram(overlong.c_str(), path));
  EXPECT_EQ(path[0], '\0') << "no cut-off path is handed out";

  test::ScratchDir dir("game_files_read");
  ASSERT_TRUE(test::WriteWholeFile(dir / "ten.bin", "0123456789"));
  std::vector<uint8_t> bytes;
  DWORD error = 0xdeadbeef;
  ASSERT_TRUE(ReadWholeFile((dir / "ten.bin").c_str(), 10, &bytes, &error));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");
  EXPECT_FALSE(ReadWholeFile((dir / "ten.bin").c_str(), 9, &bytes, &error));
  EXPECT_EQ(error, DWORD(ERROR_FILE_TOO_LARGE));
  EXPECT_FALSE(ReadWholeFile((dir / "none.bin").c_str(), 9, &bytes, &error));
  EXPECT_EQ(error, DWORD(ERROR_FILE_NOT_FOUND));

  // A file bigger than a 32-bit process's 2 GB can hold (empty pages only):
  // refused with an error, not an exception through the game's window.
  if (sizeof(void*) == 4) {
    const std::string huge = dir / "huge.bin";
    HANDLE file = CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = 0x7FFF0000;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
    EXPECT_FALSE(ReadWholeFile(huge.c_str(), SIZE_MAX, &bytes, &error));
    EXPECT_EQ(error, DWORD(ERROR_NOT_ENOUGH_MEMORY));
  }
}

}  // namespace
