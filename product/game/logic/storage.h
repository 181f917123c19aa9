// The game's files on disk: the data file and the installed score table next to
// murkle.exe, and each player's own score table in that player's profile.
#ifndef MURKLE_STORAGE_H
#define MURKLE_STORAGE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "score_table.h"

// path = the directory of this program's executable + name. False, with
// path empty, when the result would not fit in MAX_PATH.
bool PathNextToProgram(const char* name, char (&path)[MAX_PATH]);

// path = the user's application-data folder + "\\Velmora\\Murkle\\" + name.
// False, with path empty, when the system names no such folder or the result
// would not fit in MAX_PATH.
bool PathInProfile(const char* name, char (&path)[MAX_PATH]);

// Makes the folders of PathInProfile that are not there yet. On failure *error
// holds the system's error number.
bool MakeProfileFolder(DWORD* error);

// Reads a whole file of at most max_size bytes. On failure *error holds the
// system's error number (ERROR_FILE_TOO_LARGE for a file above max_size,
// ERROR_NOT_ENOUGH_MEMORY for one the process cannot hold). Throws nothing.
bool ReadWholeFile(const char* path, size_t max_size, std::vector<uint8_t>* bytes, DWORD* error);

// Writes path + ".tmp" in full and then moves it over path, so that a reader
// finds either the old file or the new one, never a mixture. On failure the
// old file is untouched, the temporary file is removed and *error holds the
// system's error number of the step that failed.
bool ReplaceFileContents(const char* path, const void* data, size_t size, DWORD* error);

enum class ScoreLoad {
  kLoaded,
  kMissing,     // no score file yet: a fresh table
  kCorrupt,     // not a whole, intact table: a fresh table
  kUnreadable,  // it could not be read at all: a fresh table
};

// Always leaves a usable table: the file's, or the default one.
ScoreLoad LoadScores(const char* path, ScoreTable* table, DWORD* error);
// Writes the whole table over path (ReplaceFileContents).
bool SaveScores(const char* path, const ScoreTable& table, DWORD* error);

// Saves one game's score without losing another copy's: with path's lock
// held (path + ".lock"), reads the table on disk again, puts the entry into
// it by the table's rules and replaces the file in one step. A missing or
// damaged file gives way to *table. On success *table is the table as saved
// and *place the entry's place in it, or -1 when the scores on disk leave it
// no room. On failure *table is as it was and *error says why; a file that
// cannot be read is not written over.
bool SaveScore(const char* path, const char* name, uint32_t score, int level, ScoreTable* table, int* place,
               DWORD* error);

#endif
