#include "code_page.h"

#include <cstring>
#include <cwchar>
#include <memory>

#include "common/chars.h"
#include "common/handle.h"
#include "common/registry_key.h"
#include "common/shell_links.h"
#include "common/system_dlls.h"
#include "common/text.h"
#include "common/uninstall_format.h"

namespace {

// Loaded at run time: Windows 95 has none of them.
using GetModuleFileNameWFn = DWORD(WINAPI*)(HMODULE, LPWSTR, DWORD);
using CreateFileWFn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
using RegQueryValueExWFn = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);

template <typename Fn>
Fn Kernel32Function(const char* name) {
  return ModuleFunction<Fn>(GetModuleHandleA("kernel32.dll"), name);
}

// The ANSI code pages of the national Windows versions.
constexpr UINT kCodePages[] = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

// Both names of one folder, the letters A to Z in either case, a trailing
// backslash on either side or none.
bool SameFolderName(const wchar_t* a, const wchar_t* b) {
  auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
  for (; *a && fold(*a) == fold(*b); ++a, ++b) {
  }
  if (*a == L'\\') ++a;
  if (*b == L'\\') ++b;
  return *a == L'\0' && *b == L'\0';
}

// Whether bytes, read in code page, are a name of dir.
bool NamesFolderIn(UINT code_page, const char* bytes, const wchar_t* dir) {
  wchar_t read[MAX_PATH];
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes, -1, read, MAX_PATH) > 0 &&
         SameFolderName(read, dir);
}

char* SkipBlanks(char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// The value of [COMMON] file_dir in text, the record's bytes as they are in
// the file (the profile reader would pass them through the system's code page).
const char* FileDirValue(char* text) {
  bool in_common = false;
  for (char* line = text; *line;) {
    char* end = line + strcspn(line, "\r\n");
    char* next = end + strspn(end, "\r\n");
    *end = '\0';
    line = SkipBlanks(line);
    size_t key = strlen(record::kFileDir), section = strlen(record::kCommon);
    if (*line == '[') {
      in_common = StartsWithNoCase(line + 1, record::kCommon) && line[1 + section] == ']';
    } else if (in_common && StartsWithNoCase(line, record::kFileDir)) {
      char* equals = SkipBlanks(line + key);
      if (*equals == '=') {
        char* value = SkipBlanks(equals + 1);
        char* last = value + strlen(value);
        while (last > value && (last[-1] == ' ' || last[-1] == '\t')) *--last = '\0';
        return value;
      }
    }
    line = next;
  }
  return nullptr;
}

// A record of the installer's is a few kilobytes.
constexpr DWORD kMaxRecord = 65536;

// The whole of an opened record, terminated; null when it cannot be read.
std::unique_ptr<char[]> ReadRecordText(HANDLE file) {
  auto text = std::make_unique<char[]>(kMaxRecord + 1);
  DWORD read = 0;
  if (!file || !ReadFile(file, text.get(), kMaxRecord, &read, nullptr)) return nullptr;
  text[read] = '\0';
  return text;
}

// Volume and file index of an existing folder, by its Unicode name.
bool SameFolderOnDisk(CreateFileWFn create_file, const wchar_t* a, const wchar_t* b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const wchar_t* names[] = {a, b};
  for (int i = 0; i < 2; ++i) {
    Handle folder(create_file(names[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder || !GetFileInformationByHandle(folder.Get(), &info[i])) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// What one check of the record against a Unicode name needs.
struct Consistency {
  CreateFileWFn create_file;
  const char* file_dir;  // the record's bytes
  wchar_t own_dir[MAX_PATH];
};

// Whether the program at path (Unicode, as Windows keeps it; count characters
// of it) lies in a folder other than ours that file_dir names only when read
// in another code page than the system's.
bool LeadsToOtherReading(const Consistency& c, const wchar_t* path, size_t count) {
  wchar_t folder[MAX_PATH];
  if (count == 0 || count >= MAX_PATH) return false;
  wmemcpy(folder, path, count);
  folder[count] = L'\0';
  wchar_t* slash = wcsrchr(folder, L'\\');
  if (!slash) return false;
  slash[1] = L'\0';
  if (SameFolderName(folder, c.own_dir) || NamesFolderIn(CP_ACP, c.file_dir, folder) ||
      SameFolderOnDisk(c.create_file, folder, c.own_dir))
    return false;
  for (UINT code_page : kCodePages)
    if (code_page != GetACP() && IsValidCodePage(code_page) && NamesFolderIn(code_page, c.file_dir, folder))
      return true;
  return false;
}

// The same for an uninstall command: the quoted program, or, unquoted, each
// start of it up to a blank (the system takes the first that names a file).
bool CommandLeadsToOtherReading(const Consistency& c, const wchar_t* command) {
  if (command[0] == L'"') {
    const wchar_t* close = wcschr(command + 1, L'"');
    return LeadsToOtherReading(c, command + 1, close ? static_cast<size_t>(close - command - 1) : wcslen(command + 1));
  }
  for (const wchar_t* blank = command; (blank = wcschr(blank, L' ')) != nullptr; ++blank)
    if (LeadsToOtherReading(c, command, static_cast<size_t>(blank - command))) return true;
  return LeadsToOtherReading(c, command, wcslen(command));
}

// The uninstall entry's command as Windows keeps it; false when there is none.
bool ReadEntryCommand(const UninstallPlan& plan, wchar_t (&command)[MAX_PATH + 4]) {
  auto query = ModuleFunction<RegQueryValueExWFn>(GetModuleHandleA("advapi32.dll"), "RegQueryValueExW");
  char subkey[MAX_PATH];
  RegKey entry;
  if (!query || !UninstallKeyPath(subkey, plan.provider, plan.program) ||
      entry.Open(HKEY_LOCAL_MACHINE, subkey, KEY_READ) != ERROR_SUCCESS)
    return false;
  wchar_t name[32];
  size_t length = strlen(kUninstallStringValue);
  if (length >= 32) return false;
  for (size_t i = 0; i <= length; ++i) name[i] = static_cast<wchar_t>(kUninstallStringValue[i]);
  wmemset(command, L'\0', MAX_PATH + 4);
  DWORD type = 0, size = sizeof command - sizeof command[0];  // room for a terminator the value may lack
  return query(entry.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(command), &size) == ERROR_SUCCESS &&
         (type == REG_SZ || type == REG_EXPAND_SZ);
}

// Whether the link dir\name leads into a folder of another reading.
bool LinkLeadsToOtherReading(const Consistency& c, const char* dir, const char* name) {
  char path[MAX_PATH];
  wchar_t wide[MAX_PATH], target[MAX_PATH];
  return dir[0] && name[0] && JoinPath(path, dir, name) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
         MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) > 0 &&
         ReadShortcutTargetW(wide, target) == S_OK && LeadsToOtherReading(c, target, wcslen(target));
}

}  // namespace

bool OwnPathIsExact(const char* own_path, wchar_t (&dir)[MAX_PATH]) {
  auto module_name = Kernel32Function<GetModuleFileNameWFn>("GetModuleFileNameW");
  DWORD length = module_name ? module_name(nullptr, dir, MAX_PATH) : 0;
  if (length == 0 || length >= MAX_PATH || AnsiMatches(own_path, dir)) return true;
  wchar_t* slash = wcsrchr(dir, L'\\');
  if (slash) slash[1] = L'\0';
  return false;
}

bool RecordInOtherCodePage(const wchar_t* dir) {
  auto create_file = Kernel32Function<CreateFileWFn>("CreateFileW");
  wchar_t ini[MAX_PATH];
  size_t length = wcslen(dir), name_length = strlen(kUninstallIniName);
  if (!create_file || length + name_length >= MAX_PATH) return false;
  wmemcpy(ini, dir, length);
  for (size_t i = 0; i <= name_length; ++i) ini[length + i] = static_cast<wchar_t>(kUninstallIniName[i]);

  Handle file(create_file(ini, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
  auto text = ReadRecordText(file.Get());
  const char* file_dir = text ? FileDirValue(text.get()) : nullptr;
  if (!file_dir || NamesFolderIn(CP_ACP, file_dir, dir)) return false;
  for (UINT code_page : kCodePages)
    if (code_page != GetACP() && IsValidCodePage(code_page) && NamesFolderIn(code_page, file_dir, dir)) return true;
  return false;
}

bool RecordNamesAnotherFolder(const UninstallPlan& plan, const char* own_dir, const char* desktop_dir) {
  auto c = std::make_unique<Consistency>();
  c->create_file = Kernel32Function<CreateFileWFn>("CreateFileW");
  char ini[MAX_PATH];
  // Without Unicode names (Windows 95) there is nothing to hold the record to.
  if (!c->create_file || !JoinPath(ini, own_dir, kUninstallIniName) ||
      MultiByteToWideChar(CP_ACP, 0, own_dir, -1, c->own_dir, MAX_PATH) <= 0)
    return false;
  // The bytes as the file holds them: the profile reader passes them through
  // the system's code page.
  Handle file(CreateFileA(ini, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
  auto text = ReadRecordText(file.Get());
  c->file_dir = text ? FileDirValue(text.get()) : nullptr;
  if (!c->file_dir) return false;

  wchar_t command[MAX_PATH + 4];
  if (ReadEntryCommand(plan, command) && CommandLeadsToOtherReading(*c, command)) return true;
  for (int i = 0; i < plan.shortcut_count; ++i)
    if (LinkLeadsToOtherReading(*c, plan.shortcut_dir, plan.shortcuts[i])) return true;
  return plan.desk_sc_name[0] && desktop_dir && LinkLeadsToOtherReading(*c, desktop_dir, plan.desk_sc_name);
}
