#include "temp_copy.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "common/chars.h"
#include "common/handle.h"
#include "common/text.h"

namespace {

// The system's temporary folder, with its trailing backslash.
bool TempFolder(char (&temp)[MAX_PATH]) {
  DWORD length = GetTempPathA(sizeof temp, temp);
  return length > 0 && length < sizeof temp;
}

// This program's own file; false when the name does not fit whole.
bool OwnFile(char (&path)[MAX_PATH]) {
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path;
}

// Name number attempt of this process's names in the temporary folder, as
// its private folder and as the name its copy's file moves to.
bool TempName(const char* temp, int attempt, char (&name)[MAX_PATH]) {
  return FormatText(name, sizeof name, "%s~mku%lx-%d.tmp", temp, static_cast<unsigned long>(GetCurrentProcessId()),
                    attempt);
}

// A fresh folder of our own below the temporary folder: the copy loads DLLs
// from its own folder first, so it must never run from one that others share.
bool MakePrivateFolder(const char* temp, char (&folder)[MAX_PATH]) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!TempName(temp, attempt, folder)) return false;
    if (CreateDirectoryA(folder, nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace

bool StartTemporaryCopy(const char* own_path) {
  char temp[MAX_PATH], folder[MAX_PATH];
  if (!TempFolder(temp) || !MakePrivateFolder(temp, folder)) return false;
  const char* own_name = FindLastChar(own_path, '\\');
  char copy[MAX_PATH] = "";
  char command[3 * MAX_PATH];
  // The copy takes the original's attributes; read-only, it could be neither
  // opened for deletion nor deleted.
  if (!own_name || !FormatText(copy, sizeof copy, "%s%s", folder, own_name) || !CopyFileA(own_path, copy, TRUE) ||
      !SetFileAttributesA(copy, FILE_ATTRIBUTE_NORMAL)) {
    SetFileAttributesA(copy, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(copy);
    RemoveDirectoryA(folder);
    return false;
  }

  // Inherited by the copy, this handle lives exactly as long as it does.
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  Handle file(CreateFileA(copy, DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit, OPEN_EXISTING,
                          FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  // On failure from here: closing the handle deletes the copy, then the folder is empty.
  auto abandon = [&] {
    file.Close();
    DeleteFileA(copy);
    RemoveDirectoryA(folder);
    return false;
  };
  if (!file) return abandon();
  Handle self;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.Receive(),
                       SYNCHRONIZE, TRUE, 0) ||
      !FormatText(command, sizeof command, "\"%s\" %s %lu %lu \"%s\"", copy, kContinueSwitch,
                  HandleToULong(self.Get()), HandleToULong(file.Get()), own_path))
    return abandon();

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // Its working folder must be neither the installation's (which it removes)
  // nor its own (which goes when it ends).
  if (!CreateProcessA(copy, command, nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &process))
    return abandon();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

namespace {

// The copy's own file, its private folder and the temporary folder above it;
// false unless the folder is one of ours: ~mku*.tmp directly in the temporary
// folder.
bool OwnPrivateFolder(char (&own)[MAX_PATH], char (&folder)[MAX_PATH], char (&temp)[MAX_PATH]) {
  if (!OwnFile(own) || !TempFolder(temp)) return false;
  const size_t temp_length = strlen(temp);
  CopyText(folder, own);
  char* slash = FindLastChar(folder, '\\');
  if (!slash) return false;
  *slash = '\0';
  if (static_cast<size_t>(slash - folder) <= temp_length || !StartsWithNoCase(folder, temp)) return false;
  const char* name = folder + temp_length;
  return !FindChar(name, '\\') && StartsWithNoCase(name, "~mku") && strlen(name) >= 8 &&
         EndsWithNoCase(name, ".tmp");
}

// FILE_RENAME_INFORMATION, with room for a path.
struct RenameInformation {
  BOOLEAN replace_if_exists;
  HANDLE root_directory;
  ULONG file_name_length;  // bytes
  WCHAR file_name[MAX_PATH + 8];
};

struct IoStatus {
  union {
    LONG status;
    void* pointer;
  };
  ULONG_PTR information;
};

using SetInformationFile = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
constexpr int kFileRenameInformation = 10;

// Renames the open file to path. Only a handle rename keeps the file's
// delete-on-close attached to its new name everywhere (a rename by name leaves
// Wine deleting the old one).
bool RenameOpenFile(HANDLE file, const char* path) {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  auto set_information =
      ntdll ? reinterpret_cast<SetInformationFile>(
                  reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")))
            : nullptr;
  if (!set_information) return false;
  RenameInformation info = {};
  wcscpy(info.file_name, L"\\??\\");
  int converted = MultiByteToWideChar(CP_ACP, 0, path, -1, info.file_name + 4, MAX_PATH + 4);
  if (converted <= 0) return false;
  info.file_name_length = static_cast<ULONG>(wcslen(info.file_name) * sizeof(WCHAR));
  IoStatus io = {};
  return set_information(file, &io, &info, sizeof info, kFileRenameInformation) >= 0;
}

}  // namespace

bool LeavePrivateFolder(HANDLE own_file) {
  char own[MAX_PATH], folder[MAX_PATH], temp[MAX_PATH];
  if (!OwnPrivateFolder(own, folder, temp)) return false;
  char target[MAX_PATH];
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!TempName(temp, attempt, target)) return false;
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) continue;
    if (!RenameOpenFile(own_file, target)) return false;
    return RemoveDirectoryA(folder) != 0;
  }
  return false;
}

void ScheduleCopyRemoval() {
  char own[MAX_PATH], folder[MAX_PATH], temp[MAX_PATH];
  if (!OwnPrivateFolder(own, folder, temp)) return;
  MoveFileExA(own, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool ParseContinueArgs(const char* args, ContinueArgs* out) {
  while (*args == ' ' || *args == '\t') ++args;
  size_t switch_length = strlen(kContinueSwitch);
  if (_strnicmp(args, kContinueSwitch, switch_length) != 0 || args[switch_length] != ' ') return false;
  args += switch_length;
  char* end = nullptr;
  unsigned long process = strtoul(args, &end, 10);
  if (end == args || *end != ' ') return false;
  args = end;
  unsigned long file = strtoul(args, &end, 10);
  if (end == args || *end != ' ') return false;
  args = end;
  while (*args == ' ') ++args;
  if (*args != '"') return false;
  ++args;
  const char* close = strchr(args, '"');
  if (!close || static_cast<size_t>(close - args) >= sizeof out->original_path) return false;
  memcpy(out->original_path, args, static_cast<size_t>(close - args));
  out->original_path[close - args] = '\0';
  out->original = ULongToHandle(process);
  out->own_file = ULongToHandle(file);
  return true;
}
