// The high-score table and its file, murkle.hsc (laid out in murkle_hsc.h).
// Plain C++ with no system headers: the host tool that writes the installed
// table uses it too.
#ifndef MURKLE_SCORE_TABLE_H
#define MURKLE_SCORE_TABLE_H

#include <cstddef>
#include <cstdint>

#include "murkle_hsc.h"

constexpr int kScoreEntries = hsc::kEntries;
constexpr size_t kScoreNameSize = hsc::kNameSize;
constexpr size_t kScoreFileSize = hsc::kFileSize;
constexpr int kMaxScoreLevel = 99;

struct ScoreEntry {
  char name[kScoreNameSize];
  uint32_t score;
  uint16_t level;
};

// Best first. Equal scores keep the order they were reached in.
struct ScoreTable {
  ScoreEntry entries[kScoreEntries];
};

// The table that ships with the game: Velmora's staff with modest scores.
void DefaultScoreTable(ScoreTable* table);

// True when score would enter the table: it must beat the last entry, since a
// newcomer goes below the entries it only ties with.
bool ScoreQualifies(const ScoreTable& table, uint32_t score);

// Puts a new entry below every entry with at least the same score, dropping the
// last one. The name is cleaned with CleanScoreName. Returns the new entry's
// place (0 is the top), or -1 when the score does not qualify.
int InsertScore(ScoreTable* table, const char* name, uint32_t score, int level);

// What a player typed, made fit for the table: surrounding blanks removed,
// control characters replaced by '?', at most 15 characters, and "Anonymous" for
// nothing at all.
void CleanScoreName(const char* typed, char (&name)[kScoreNameSize]);

void SerializeScores(const ScoreTable& table, uint8_t (&bytes)[kScoreFileSize]);

// False, leaving table untouched, unless bytes are a whole, intact score file:
// exact size, magic, version, count, checksum, terminated printable names, levels
// from 1 to 99, zero reserved fields and scores in order.
bool ParseScores(const uint8_t* bytes, size_t size, ScoreTable* table);

#endif
