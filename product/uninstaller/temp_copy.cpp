#include "temp_copy.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/text.h"

namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  void Close() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
  }
  HANDLE get() const { return handle_; }
  HANDLE* receive() { return &handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_;
};

// A fresh folder of our own below the temporary folder: the copy loads DLLs
// from its own folder first, so it must never run from one that others share.
bool MakePrivateFolder(const char* temp, char (&folder)[MAX_PATH]) {
  DWORD id = GetCurrentProcessId();
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!FormatText(folder, sizeof folder, "%s~mku%lx-%d.tmp", temp, static_cast<unsigned long>(id), attempt))
      return false;
    if (CreateDirectoryA(folder, nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace

bool StartTemporaryCopy(const char* own_path) {
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) return false;
  char folder[MAX_PATH];
  if (!MakePrivateFolder(temp, folder)) return false;
  const char* own_name = strrchr(own_path, '\\');
  char copy[MAX_PATH] = "";
  char command[3 * MAX_PATH];
  if (!own_name || !FormatText(copy, sizeof copy, "%s%s", folder, own_name) ||
      !CopyFileA(own_path, copy, TRUE)) {
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
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.receive(),
                       SYNCHRONIZE, TRUE, 0) ||
      !FormatText(command, sizeof command, "\"%s\" %s %lu %lu \"%s\"", copy, kContinueSwitch,
                  HandleToULong(self.get()), HandleToULong(file.get()), own_path))
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

// The copy's private folder and the temporary folder above it, from the copy's
// own file name; false unless it is one of ours: ~mku*.tmp directly in the
// temporary folder.
bool OwnPrivateFolder(char (&folder)[MAX_PATH], char (&temp)[MAX_PATH]) {
  DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
  DWORD temp_length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof folder || temp_length == 0 || temp_length >= sizeof temp) return false;
  char* slash = strrchr(folder, '\\');
  if (!slash) return false;
  *slash = '\0';
  if (static_cast<size_t>(slash - folder) <= temp_length || _strnicmp(folder, temp, temp_length) != 0) return false;
  const char* name = folder + temp_length;
  size_t name_length = strlen(name);
  return !strchr(name, '\\') && _strnicmp(name, "~mku", 4) == 0 && name_length >= 8 &&
         _stricmp(name + name_length - 4, ".tmp") == 0;
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
  char folder[MAX_PATH], temp[MAX_PATH];
  if (!OwnPrivateFolder(folder, temp)) return false;
  DWORD id = GetCurrentProcessId();
  char target[MAX_PATH];
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!FormatText(target, sizeof target, "%s~mku%lx-%d.tmp", temp, static_cast<unsigned long>(id), attempt))
      return false;
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) continue;
    if (!RenameOpenFile(own_file, target)) return false;
    return RemoveDirectoryA(folder) != 0;
  }
  return false;
}

void ScheduleCopyRemoval() {
  char folder[MAX_PATH], temp[MAX_PATH], own[MAX_PATH];
  if (!OwnPrivateFolder(folder, temp)) return;
  DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
  if (length == 0 || length >= sizeof own) return;
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
