#include "storage.h"

#include <shlobj.h>

#include <cstring>
#include <exception>

#include "common/chars.h"
#include "common/handle.h"
#include "common/shell_folders.h"
#include "common/text.h"

namespace {

// Below the application-data folder: the maker's folder, then the game's.
constexpr const char* kProfileFolders[] = {"Velmora", "Murkle"};

// The game's folder in the profile; with make, each missing folder on the way
// is made.
bool ProfileFolder(char (&dir)[MAX_PATH], bool make, DWORD* error) {
  *error = ERROR_PATH_NOT_FOUND;
  if (FAILED(GetSpecialFolderPath(CSIDL_APPDATA, dir)) || !dir[0]) return false;
  for (const char* name : kProfileFolders) {
    char deeper[MAX_PATH];
    if (!JoinPath(deeper, dir, name)) {
      *error = ERROR_FILENAME_EXCED_RANGE;
      return false;
    }
    CopyText(dir, deeper);
    if (make && !CreateDirectoryA(dir, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      *error = GetLastError();
      return false;
    }
  }
  return true;
}

}  // namespace

bool PathNextToProgram(const char* name, char (&path)[MAX_PATH]) {
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
  // A result that fills the buffer has been cut short.
  if (length == 0 || length >= sizeof module) {
    path[0] = '\0';
    return false;
  }
  char* slash = FindLastChar(module, '\\');
  if (slash) slash[1] = '\0';
  else module[0] = '\0';
  if (!FormatText(path, sizeof path, "%s%s", module, name)) {
    path[0] = '\0';
    return false;
  }
  return true;
}

bool PathInProfile(const char* name, char (&path)[MAX_PATH]) {
  char dir[MAX_PATH];
  DWORD error = 0;
  if (!ProfileFolder(dir, false, &error) || !JoinPath(path, dir, name)) {
    path[0] = '\0';
    return false;
  }
  return true;
}

bool MakeProfileFolder(DWORD* error) {
  char dir[MAX_PATH];
  return ProfileFolder(dir, true, error);
}

bool ReadWholeFile(const char* path, size_t max_size, std::vector<uint8_t>* bytes, DWORD* error) {
  Handle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *error = GetLastError();
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) {
    *error = GetLastError();
    return false;
  }
  if (size.QuadPart < 0 || uint64_t(size.QuadPart) > max_size) {
    *error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  // A file the process cannot hold fails like any other: the game reads its
  // table inside its window procedure, where no exception may pass.
  try {
    bytes->assign(size_t(size.QuadPart), 0);
  } catch (const std::exception&) {  // bad_alloc, or length_error past max_size()
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  size_t done = 0;
  while (done < bytes->size()) {
    DWORD want = DWORD(bytes->size() - done > (1u << 20) ? (1u << 20) : bytes->size() - done), got = 0;
    if (!ReadFile(file.Get(), bytes->data() + done, want, &got, nullptr)) {
      *error = GetLastError();
      return false;
    }
    if (got == 0) break;  // the file shrank under us
    done += got;
  }
  if (done != bytes->size()) {
    *error = ERROR_HANDLE_EOF;
    return false;
  }
  return true;
}

bool ReplaceFileContents(const char* path, const void* data, size_t size, DWORD* error) {
  char temp[MAX_PATH];
  if (!FormatText(temp, sizeof temp, "%s.tmp", path)) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return false;
  }
  bool written = false;
  {
    Handle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      *error = GetLastError();
      return false;
    }
    DWORD wrote = 0;
    if (!WriteFile(file.Get(), data, DWORD(size), &wrote, nullptr)) *error = GetLastError();
    else if (wrote != size) *error = ERROR_DISK_FULL;  // a short write is not success
    else if (!FlushFileBuffers(file.Get())) *error = GetLastError();
    else written = true;
    if (!file.Close() && written) {
      *error = GetLastError();
      written = false;
    }
  }
  if (written && !MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = GetLastError();
    written = false;
  }
  if (!written) {
    const DWORD keep = *error;  // DeleteFile must not overwrite the cause
    DeleteFileA(temp);
    *error = keep;
  }
  return written;
}

ScoreLoad LoadScores(const char* path, ScoreTable* table, DWORD* error) {
  *error = ERROR_SUCCESS;
  std::vector<uint8_t> bytes;
  // Anything much bigger than a table is not one; do not read it all.
  if (!ReadWholeFile(path, 4096, &bytes, error)) {
    DefaultScoreTable(table);
    if (*error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND) return ScoreLoad::kMissing;
    if (*error == ERROR_FILE_TOO_LARGE) return ScoreLoad::kCorrupt;
    return ScoreLoad::kUnreadable;
  }
  if (!ParseScores(bytes.data(), bytes.size(), table)) {
    DefaultScoreTable(table);
    return ScoreLoad::kCorrupt;
  }
  // A table written under another code page may end a name in half a
  // character, which would swallow the blank shown after it.
  for (ScoreEntry& entry : table->entries) entry.name[CharBoundary(entry.name, strlen(entry.name))] = '\0';
  return ScoreLoad::kLoaded;
}

bool SaveScores(const char* path, const ScoreTable& table, DWORD* error) {
  uint8_t bytes[kScoreFileSize];
  SerializeScores(table, bytes);
  return ReplaceFileContents(path, bytes, sizeof bytes, error);
}

namespace {

// Another copy of the game holds the lock only while it reads and writes 252
// bytes; two seconds is far more than that takes.
constexpr int kLockTries = 100;
constexpr DWORD kLockWaitMs = 20;

// A file that no one else may open while it is held, gone once closed.
bool TakeLock(const char* path, Handle* lock, DWORD* error) {
  char name[MAX_PATH];
  if (!FormatText(name, sizeof name, "%s.lock", path)) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return false;
  }
  for (int tries = 1;; ++tries) {
    const HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      *lock->Receive() = file;
      return true;
    }
    *error = GetLastError();
    const bool busy = *error == ERROR_SHARING_VIOLATION || *error == ERROR_ACCESS_DENIED;
    if (!busy || tries >= kLockTries) return false;
    Sleep(kLockWaitMs);
  }
}

}  // namespace

bool SaveScore(const char* path, const char* name, uint32_t score, int level, ScoreTable* table, int* place,
               DWORD* error) {
  Handle lock;
  if (!TakeLock(path, &lock, error)) return false;
  ScoreTable merged;
  DWORD read_error = 0;
  switch (LoadScores(path, &merged, &read_error)) {
    case ScoreLoad::kLoaded:
      break;
    case ScoreLoad::kMissing:
    case ScoreLoad::kCorrupt:
      merged = *table;
      break;
    case ScoreLoad::kUnreadable:
      *error = read_error;
      return false;
  }
  const int at = InsertScore(&merged, name, score, level);
  if (!SaveScores(path, merged, error)) return false;
  *table = merged;
  *place = at;
  return true;
}
