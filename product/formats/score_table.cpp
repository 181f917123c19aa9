#include "score_table.h"

#include <cstring>

#include "murkle_dat.h"

namespace {

// Copies at most size - 1 bytes of text and zero-fills the rest, so that a name
// never carries stray bytes into the file.
void SetName(char* name, size_t size, const char* text, size_t length) {
  if (length > size - 1) length = size - 1;
  memset(name, 0, size);
  memcpy(name, text, length);
}

bool Printable(unsigned char c) { return c >= 0x20 && c != 0x7F; }

size_t BoundedLength(const char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

}  // namespace

void DefaultScoreTable(ScoreTable* table) {
  static const struct {
    const char* name;
    uint32_t score;
    uint16_t level;
  } kStaff[kScoreEntries] = {
      {"Ada Velmora", 2400, 5}, {"Tomas Reed", 2050, 4}, {"Nell Fenwick", 1800, 4},
      {"Oskar Brann", 1500, 3}, {"Mira Hollis", 1250, 3}, {"Pip Larkin", 1000, 3},
      {"Jonas Sedge", 800, 2},  {"Elsa Marrow", 600, 2},  {"Ivo Drummel", 400, 2},
      {"Rue Callow", 200, 1},
  };
  for (int i = 0; i < kScoreEntries; ++i) {
    ScoreEntry& entry = table->entries[i];
    SetName(entry.name, sizeof entry.name, kStaff[i].name, strlen(kStaff[i].name));
    entry.score = kStaff[i].score;
    entry.level = kStaff[i].level;
  }
}

bool ScoreQualifies(const ScoreTable& table, uint32_t score) {
  return score > table.entries[kScoreEntries - 1].score;
}

void CleanScoreName(const char* typed, char (&name)[kScoreNameSize]) {
  if (!typed) typed = "";
  size_t begin = 0, end = strlen(typed);
  while (begin < end && typed[begin] == ' ') ++begin;
  while (end > begin && typed[end - 1] == ' ') --end;
  if (begin == end) {
    SetName(name, sizeof name, "Anonymous", 9);
    return;
  }
  SetName(name, sizeof name, typed + begin, end - begin);
  for (char& c : name)
    if (c != '\0' && !Printable(static_cast<unsigned char>(c))) c = '?';
  // Cutting at 15 characters may leave a trailing blank.
  for (size_t i = strlen(name); i > 0 && name[i - 1] == ' '; --i) name[i - 1] = '\0';
}

int InsertScore(ScoreTable* table, const char* name, uint32_t score, int level) {
  int place = 0;
  while (place < kScoreEntries && table->entries[place].score >= score) ++place;
  if (place == kScoreEntries) return -1;
  for (int i = kScoreEntries - 1; i > place; --i) table->entries[i] = table->entries[i - 1];
  ScoreEntry& entry = table->entries[place];
  CleanScoreName(name, entry.name);
  entry.score = score;
  if (level < 1) level = 1;
  if (level > kMaxScoreLevel) level = kMaxScoreLevel;
  entry.level = static_cast<uint16_t>(level);
  return place;
}

void SerializeScores(const ScoreTable& table, uint8_t (&bytes)[kScoreFileSize]) {
  memset(bytes, 0, sizeof bytes);
  memcpy(bytes + hsc::file_at::kMagic, hsc::kMagic, sizeof hsc::kMagic);
  dat::Put16(bytes + hsc::file_at::kVersion, hsc::kVersion);
  dat::Put16(bytes + hsc::file_at::kEntryCount, kScoreEntries);
  for (int i = 0; i < kScoreEntries; ++i) {
    uint8_t* row = bytes + hsc::file_at::kEntries + i * hsc::kEntrySize;
    const ScoreEntry& entry = table.entries[i];
    // Only the name's text goes out; the rest of the field stays zero.
    memcpy(row + hsc::entry_at::kName, entry.name, BoundedLength(entry.name, kScoreNameSize - 1));
    dat::Put32(row + hsc::entry_at::kScore, entry.score);
    dat::Put16(row + hsc::entry_at::kLevel, entry.level);
  }
  dat::Put32(bytes + hsc::kCrcAt, dat::Crc32(bytes, hsc::kCrcAt));
}

bool ParseScores(const uint8_t* bytes, size_t size, ScoreTable* table) {
  if (!bytes || size != kScoreFileSize) return false;
  if (memcmp(bytes + hsc::file_at::kMagic, hsc::kMagic, sizeof hsc::kMagic) != 0) return false;
  if (dat::Get16(bytes + hsc::file_at::kVersion) != hsc::kVersion ||
      dat::Get16(bytes + hsc::file_at::kEntryCount) != kScoreEntries)
    return false;
  if (dat::Get32(bytes + hsc::kCrcAt) != dat::Crc32(bytes, hsc::kCrcAt)) return false;

  ScoreTable read;
  for (int i = 0; i < kScoreEntries; ++i) {
    const uint8_t* row = bytes + hsc::file_at::kEntries + i * hsc::kEntrySize;
    size_t length = 0;
    while (length < kScoreNameSize && row[length] != 0) {
      if (!Printable(row[length])) return false;
      ++length;
    }
    if (length == 0 || length == kScoreNameSize) return false;  // empty or unterminated
    for (size_t k = length; k < kScoreNameSize; ++k)
      if (row[k] != 0) return false;
    ScoreEntry& entry = read.entries[i];
    SetName(entry.name, sizeof entry.name, reinterpret_cast<const char*>(row), length);
    entry.score = dat::Get32(row + hsc::entry_at::kScore);
    entry.level = dat::Get16(row + hsc::entry_at::kLevel);
    if (entry.level < 1 || entry.level > kMaxScoreLevel || dat::Get16(row + hsc::entry_at::kReserved) != 0)
      return false;
    if (i > 0 && entry.score > read.entries[i - 1].score) return false;
  }
  *table = read;
  return true;
}
