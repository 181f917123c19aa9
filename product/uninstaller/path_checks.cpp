#include "path_checks.h"

#include <cstring>

#include "common/chars.h"
#include "common/handle.h"
#include "common/paths.h"
#include "common/text.h"

bool IsLinkName(const char* name) { return strlen(name) > 4 && EndsWithNoCase(name, ".lnk"); }

Why CheckCreatedDir(const char* created, const char* dir) {
  if (!IsAbsolutePlainPath(created) || EndsWithBackslash(created)) {
    return IsRootPath(created) ? Why::kDriveRoot : Why::kNotAbsolute;
  }
  if (IsRootPath(created)) return Why::kDriveRoot;
  return IsInsideFolder(dir, created) ? Why::kNone : Why::kNotPrefix;
}

namespace {

// Volume and file index of an existing folder.
bool FolderIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  Handle folder(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return folder && GetFileInformationByHandle(folder.get(), info) != 0 &&
         (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// path without its trailing backslash, unless it is a root.
bool WithoutTrailingBackslash(const char* path, char (&out)[MAX_PATH]) {
  if (!CopyText(out, path)) return false;
  if (!IsRootPath(out)) DropTrailingBackslash(out);
  return true;
}

}  // namespace

bool SameDirectory(const char* a, const char* b) {
  char left[MAX_PATH], right[MAX_PATH];
  if (!WithoutTrailingBackslash(a, left) || !WithoutTrailingBackslash(b, right)) return false;
  if (EqualNoCase(left, right)) return true;
  // Short names, mapped drives and the like: ask the file system.
  BY_HANDLE_FILE_INFORMATION x, y;
  if (!FolderIdentity(left, &x) || !FolderIdentity(right, &y)) return false;
  return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}
