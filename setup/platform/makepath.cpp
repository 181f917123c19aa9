#include "makepath.h"

#include <windows.h>

#include <cstring>

#include "common/chars.h"
#include "common/find_handle.h"
#include "common/paths.h"
#include "common/shell_folders.h"
#include "common/text.h"
#include "file.h"

int PathExists(const char* path, char* found_name) {
  if (!path) return 0;
  WIN32_FIND_DATAA found;
  FindHandle search(FindFirstFileA(path, &found));
  if (!search) return 0;
  if (found_name) CopyText(found_name, MAX_PATH, found.cFileName);
  return 1;
}

void MakePath(const char* path, char* first_created) {
  if (!path) path = "";

  // The path with its trailing backslash. Past the directory-part limit the
  // walk would have to cut a component in two, and the cut name is not a
  // directory of the path: such a path is refused before anything is made.
  size_t length = strlen(path);
  size_t drive_length = (length >= 2 && path[1] == ':') ? 2 : 0;
  if (LengthWithBackslash(path) - drive_length > kMaxDirectoryPart) throw EPlik(ERROR_FILENAME_EXCED_RANGE, nullptr);
  // A lead byte at the end has lost its second byte: the backslash appended
  // to it would become that byte, and the path names no folder.
  if (CharBoundary(path, length) != length) throw EPlik(ERROR_INVALID_NAME, nullptr);

  char work[MAX_PATH];
  CopyText(work, path);
  AppendBackslash(work);

  char drive[3] = "";
  if (drive_length) CopyText(drive, sizeof drive, work);
  char* directory = work + drive_length;

  char* component = directory;
  if (*component == '\\') ++component;

  bool creating = false;
  while (*component) {
    // There is one: the part ends with a backslash. A character's second byte
    // may be 0x5C as well, but it separates nothing.
    char* end = FindChar(component, '\\');
    if (!end) throw EPlik(ERROR_INVALID_NAME, nullptr);
    *end = '\0';
    char prefix[MAX_PATH];
    FormatText(prefix, sizeof prefix, "%s%s", drive, directory);
    *end = '\\';
    component = end + 1;

    // Once one directory was missing, everything below it is new as well.
    if (!creating) {
      if (PathExists(prefix, nullptr)) continue;
      if (first_created) CopyText(first_created, MAX_PATH, prefix);
      creating = true;
    }
    if (!CreateDirectoryA(prefix, nullptr)) throw EPlik(static_cast<int32_t>(GetLastError()), nullptr);
  }
}

void RemoveEmptyFolders(const char* dir, const char* top, const char* keep_a, const char* keep_b) {
  if (!top[0] || IsRootPath(top) || !IsAbsolutePlainPath(top) || !IsInsideFolder(dir, top)) return;
  char folder[MAX_PATH], start[MAX_PATH];
  CopyText(folder, dir);
  DropTrailingBackslash(folder);
  while (strlen(folder) >= strlen(top)) {
    if (IsShellFolder(folder) || FindOnPath(keep_a, folder, start) || FindOnPath(keep_b, folder, start)) return;
    // A folder that is gone leaves the one above it to look at.
    if (!RemoveDirectoryA(folder) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
      return;
    char* slash = FindLastChar(folder, '\\');
    if (!slash) return;
    *slash = '\0';
  }
}
