#include "paths.h"

#include <windows.h>

#include <cstring>

#include "chars.h"
#include "handle.h"
#include "text.h"

namespace {

constexpr size_t kMaxNameLength = 63;

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Characters that make a name mean something other than one file: separators,
// stream and drive colons, wildcards, and what no file name may hold.
bool IsForbiddenInName(char c) {
  return static_cast<unsigned char>(c) < 32 || strchr("\\/:*?\"<>|", c) != nullptr;
}

// No code page takes a byte below 0x40 as the second byte of a character, so
// a lead byte before one (or before the end) begins no character: the system
// would read the name some other way.
bool IsBrokenChar(const char* p, size_t length) {
  return length == 2 ? static_cast<unsigned char>(p[1]) < 0x40 : IsDBCSLeadByte(static_cast<BYTE>(*p));
}

// Bytes up to the next backslash or the end, by characters.
size_t ComponentLength(const char* p) {
  size_t length = 0;
  for (size_t n; (n = CharLength(p + length)) != 0 && !(n == 1 && p[length] == '\\');) length += n;
  return length;
}

// Device names reach a device in any folder, with any extension.
bool IsDeviceName(const char* name, size_t length) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
  size_t stem = 0;
  while (stem < length && name[stem] != '.') ++stem;
  for (const char* device : kDevices)
    if (stem == strlen(device) && _strnicmp(name, device, stem) == 0) return true;
  return stem == 4 && (_strnicmp(name, "COM", 3) == 0 || _strnicmp(name, "LPT", 3) == 0) && name[3] >= '1' &&
         name[3] <= '9';
}

// One component of a path or a file name: length bytes at begin, which end
// between two characters. The second byte of a character is never a
// forbidden one.
bool IsPlainComponent(const char* begin, size_t length) {
  if (length == 0) return false;
  if (begin[0] == '.' && (length == 1 || (length == 2 && begin[1] == '.'))) return false;
  const char* last = begin;
  for (size_t i = 0, n; i < length; i += n) {
    n = CharLength(begin + i);
    if (IsBrokenChar(begin + i, n) || (n == 1 && IsForbiddenInName(begin[i]))) return false;
    last = begin + i;
  }
  return *last != '.' && *last != ' ' && !IsDeviceName(begin, length);
}

// Length of the root of an absolute path ("X:" or "\\server\share"), 0 when
// it has none.
size_t RootLength(const char* path) {
  if (IsDriveLetter(path[0]) && path[1] == ':') return 2;
  if (path[0] == '\\' && path[1] == '\\') {
    const char* server = path + 2;
    size_t server_len = ComponentLength(server);
    if (server[server_len] != '\\' || !IsPlainComponent(server, server_len)) return 0;
    const char* share = server + server_len + 1;
    size_t share_len = ComponentLength(share);
    if (!IsPlainComponent(share, share_len)) return 0;
    return static_cast<size_t>(share + share_len - path);
  }
  return 0;
}

}  // namespace

bool IsPlainFileName(const char* name) {
  size_t length = strlen(name);
  return length <= kMaxNameLength && IsPlainComponent(name, length);
}

bool IsAbsolutePlainPath(const char* path) {
  size_t root = RootLength(path);
  if (root == 0 || strlen(path) >= MAX_PATH) return false;
  const char* rest = path + root;
  if (*rest == '\0') return true;
  if (*rest != '\\') return false;  // "C:dir" is relative to the drive's current folder
  ++rest;
  while (*rest) {
    size_t length = ComponentLength(rest);
    if (!IsPlainComponent(rest, length)) return false;
    rest += length;
    if (*rest == '\\') ++rest;
  }
  return true;
}

bool IsPlainDrivePath(const char* path) { return IsDriveLetter(path[0]) && IsAbsolutePlainPath(path); }

bool IsInsideFolder(const char* path, const char* folder) {
  return folder[0] != '\0' && StartsWithNoCase(path, folder) && path[strlen(folder)] == '\\';
}

bool IsRootPath(const char* path) {
  size_t root = RootLength(path);
  return root != 0 && (path[root] == '\0' || (path[root] == '\\' && path[root + 1] == '\0'));
}

namespace {

// Volume and file index of an existing file or folder. A folder opens only
// with backup semantics; asking for no access at all leaves even a file held
// without sharing open to the question.
bool Identity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  Handle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file && GetFileInformationByHandle(file.Get(), info) != 0;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& x, const BY_HANDLE_FILE_INFORMATION& y) {
  return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

bool FolderIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  return Identity(path, info) && (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
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
  return FolderIdentity(left, &x) && FolderIdentity(right, &y) && SameIdentity(x, y);
}

bool SameFile(const char* a, const char* b) {
  if (EqualNoCase(a, b)) return true;
  BY_HANDLE_FILE_INFORMATION x, y;
  return Identity(a, &x) && Identity(b, &y) && SameIdentity(x, y);
}

bool FindOnPath(const char* dir, const char* folder, char (&start)[MAX_PATH]) {
  char wanted[MAX_PATH];
  if (!folder[0] || !WithoutTrailingBackslash(folder, wanted) || !WithoutTrailingBackslash(dir, start)) return false;
  // By name first: the common case, and the one answer for a folder not made yet.
  if (EqualNoCase(start, wanted)) return true;
  if (IsInsideFolder(start, wanted)) {
    start[strlen(wanted)] = '\0';
    if (IsRootPath(start)) AppendBackslash(start);
    return true;
  }
  BY_HANDLE_FILE_INFORMATION target, here;
  if (!FolderIdentity(wanted, &target)) return false;
  for (;;) {
    if (FolderIdentity(start, &here) && SameIdentity(here, target)) return true;
    if (IsRootPath(start)) return false;
    char* slash = FindLastChar(start, '\\');
    if (!slash) return false;
    *slash = '\0';
    if (IsRootPath(start)) {
      // "X:" is the drive's current folder to the system; its root is "X:\".
      AppendBackslash(start);
    }
  }
}
