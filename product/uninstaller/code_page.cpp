#include "code_page.h"

#include <cstring>
#include <cwchar>
#include <memory>

#include "common/chars.h"
#include "common/handle.h"
#include "common/system_dlls.h"
#include "common/uninstall_format.h"

namespace {

// Loaded at run time: Windows 95 has neither.
using GetModuleFileNameWFn = DWORD(WINAPI*)(HMODULE, LPWSTR, DWORD);
using CreateFileWFn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);

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

  // A record of the installer's is a few kilobytes.
  constexpr DWORD kMaxRecord = 65536;
  Handle file(create_file(ini, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
  auto text = std::make_unique<char[]>(kMaxRecord + 1);
  DWORD read = 0;
  if (!file || !ReadFile(file.get(), text.get(), kMaxRecord, &read, nullptr)) return false;
  text[read] = '\0';
  const char* file_dir = FileDirValue(text.get());
  if (!file_dir || NamesFolderIn(CP_ACP, file_dir, dir)) return false;
  for (UINT code_page : kCodePages)
    if (code_page != GetACP() && IsValidCodePage(code_page) && NamesFolderIn(code_page, file_dir, dir)) return true;
  return false;
}
