#include "uninstall_plan.h"

#include <cstring>
#include <memory>

#include "common/chars.h"
#include "common/handle.h"
#include "common/paths.h"
#include "common/text.h"
#include "path_checks.h"

namespace {

// Reads one [COMMON] value. False when the key is absent; *overlong when the
// value does not fit a field of size bytes.
bool ReadCommon(const char* ini, const char* key, char* value, size_t size, bool* overlong) {
  // A default no record can hold tells an absent key from an empty one.
  static const char kAbsent[] = "\x01";
  char buffer[1024];
  DWORD length = GetPrivateProfileStringA(record::kCommon, key, kAbsent, buffer, sizeof buffer, ini);
  *overlong = false;
  if (strcmp(buffer, kAbsent) == 0) {
    value[0] = '\0';
    return false;
  }
  if (length >= size || !CopyText(value, size, buffer)) {
    *overlong = true;
    value[0] = '\0';
  }
  return true;
}

// report may be null where a refusal ends the whole record anyway.
void Refuse(UninstallReport* report, Why why, const char* key, const char* value) {
  if (!report) return;
  char text[MAX_PATH + 80];
  FormatText(text, sizeof text, "%s=%s", key, value);
  report->Add(What::kRecordEntry, Result::kRefused, why, 0, text);
}

// A directory setting: absolute and plain, stored with a trailing backslash.
// Empty and refused (with a report line) otherwise.
bool ReadDirectory(const char* ini, const char* key, char (&dir)[MAX_PATH], UninstallReport* report) {
  bool overlong;
  bool present = ReadCommon(ini, key, dir, sizeof dir, &overlong);
  if (overlong) {
    Refuse(report, Why::kOverlong, key, "...");
    return false;
  }
  if (!present || dir[0] == '\0' || !IsAbsolutePlainPath(dir)) {
    if (present && dir[0]) Refuse(report, Why::kNotAbsolute, key, dir);
    dir[0] = '\0';
    return false;
  }
  if (!AppendBackslash(dir)) {
    Refuse(report, Why::kOverlong, key, dir);
    dir[0] = '\0';
    return false;
  }
  return true;
}

// A created_* setting for dir: kept only when it lies on dir's own path.
void ReadCreated(const char* ini, const char* key, const char* dir, char (&created)[MAX_PATH],
                 UninstallReport* report) {
  bool overlong;
  ReadCommon(ini, key, created, sizeof created, &overlong);
  if (overlong) {
    Refuse(report, Why::kOverlong, key, "...");
    return;
  }
  if (created[0] == '\0') return;
  // The installer writes it without the backslash; a hand-written one is the same folder.
  if (strlen(created) > 1 && !IsRootPath(created)) DropTrailingBackslash(created);
  Why why = dir[0] ? CheckCreatedDir(created, dir) : Why::kNotPrefix;
  if (why != Why::kNone) {
    Refuse(report, why, key, created);
    created[0] = '\0';
  }
}

// The index of a list key: the letter (in either case) and two digits; -1
// for any other key.
int ListIndex(const char* key, size_t length, char letter) {
  if (length != 3 || (key[0] | 0x20) != letter || key[1] < '0' || key[1] > '9' || key[2] < '0' || key[2] > '9')
    return -1;
  return (key[1] - '0') * 10 + (key[2] - '0');
}

// Why a list entry's name is refused (links: it must name a link), or kNone.
Why NameRefusal(const char* value, bool links) {
  if (strlen(value) >= kNameSize) return Why::kOverlong;
  if (!IsPlainFileName(value)) return Why::kNotPlainName;
  if (links && !IsLinkName(value)) return Why::kNotALink;
  return Why::kNone;
}

// A list section as the profile reader gives it, into buffer (size bytes); a
// section too long for it is no record of the installer's, and is cut and
// refused. False when the section is absent.
bool ReadListSection(const char* ini, const char* section, char* buffer, DWORD size, UninstallReport* report) {
  DWORD length = GetPrivateProfileSectionA(section, buffer, size, ini);
  if (length >= size - 2) {
    // Cut: the last line may be incomplete, so drop it.
    Refuse(report, Why::kTooMany, section, "...");
    char* last = buffer + length;
    while (last > buffer && last[-1] != '\0') --last;
    *last = '\0';
  }
  return length > 0;
}

// Reads a list section ("FILES" with f00.., "SHORTCUTS" with s00..) into names.
// Only keys in unbroken sequence from 00 are taken; everything else is refused.
// False when the section is absent.
bool ReadList(const char* ini, const char* section, char letter, bool links, char (*names)[kNameSize],
              int* count, UninstallReport* report) {
  *count = 0;
  // Big enough for 64 keys of 63 characters many times over.
  constexpr DWORD kSize = 32768;
  std::unique_ptr<char[]> held(new char[kSize]);
  const bool present = ReadListSection(ini, section, held.get(), kSize, report);
  bool seen[kMaxNames] = {};
  for (const char* line = held.get(); *line; line += strlen(line) + 1) {
    if (line[0] == ';') continue;  // a comment
    char key[16];
    size_t key_length = strcspn(line, "=");
    const char* value = line[key_length] == '=' ? line + key_length + 1 : "";
    const bool key_fits = key_length < sizeof key;
    if (key_fits) {
      memcpy(key, line, key_length);
      key[key_length] = '\0';
    }
    const int index = key_fits ? ListIndex(key, key_length, letter) : -1;
    const Why why = index < 0 || index >= kMaxNames ? Why::kUnknownKey
                    : seen[index]                    ? Why::kDuplicate
                    : index != *count                ? Why::kOutOfSequence
                                                     : Why::kNone;
    if (why != Why::kNone) {
      Refuse(report, why, key_fits ? key : "...", value);
      if (why == Why::kOutOfSequence) seen[index] = true;
      continue;
    }
    seen[index] = true;
    // Taken or refused, the key keeps its place in the sequence; a refused
    // entry names nothing.
    ++*count;
    const Why refused = NameRefusal(value, links);
    if (refused != Why::kNone) Refuse(report, refused, key, value);
    CopyText(names[index], kNameSize, refused == Why::kNone ? value : "");
  }
  return present;
}

// The profile reader answers with defaults for a file it cannot read, so the
// file is opened first to tell "missing" and "unreadable" from "empty".
RecordStatus CheckRecordOpens(const char* ini, DWORD* error) {
  Handle file(CreateFileA(ini, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return RecordStatus::kOk;
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return RecordStatus::kMissing;
  *error = code;
  return RecordStatus::kUnreadable;
}

// The program group, its made folder and its links.
void ReadGroup(const char* ini, UninstallPlan* plan, UninstallReport* report) {
  if (ReadDirectory(ini, record::kShortcutDir, plan->shortcut_dir, report)) {
    ReadCreated(ini, record::kCreatedShortcutDir, plan->shortcut_dir, plan->created_shortcut_dir, report);
    ReadList(ini, record::kShortcuts, record::kShortcutLetter, true, plan->shortcuts, &plan->shortcut_count, report);
    return;
  }
  // Links listed without a folder to find them in are refused as a whole.
  char probe[4];
  if (GetPrivateProfileSectionA(record::kShortcuts, probe, sizeof probe, ini) > 0)
    Refuse(report, Why::kNotAbsolute, record::kShortcutDir, "(the links of [SHORTCUTS])");
}

// The desktop link's name, when the record says one was made.
void ReadDesktopLink(const char* ini, UninstallPlan* plan, UninstallReport* report) {
  char desktop[8];
  bool overlong;
  ReadCommon(ini, record::kDesktopShortcut, desktop, sizeof desktop, &overlong);
  if (strcmp(desktop, "1") != 0) return;
  ReadCommon(ini, record::kDeskScName, plan->desk_sc_name, sizeof plan->desk_sc_name, &overlong);
  const char* name = plan->desk_sc_name;
  const Why why = overlong ? Why::kOverlong : NameRefusal(name, true);
  if (why != Why::kNone && (name[0] || overlong)) Refuse(report, why, record::kDeskScName, overlong ? "..." : name);
  if (why != Why::kNone) plan->desk_sc_name[0] = '\0';
}

}  // namespace

RecordStatus ReadUninstallRecord(const char* own_dir, UninstallPlan* plan, UninstallReport* report,
                                 DWORD* error) {
  memset(plan, 0, sizeof *plan);
  *error = 0;
  char ini[MAX_PATH];
  if (!FormatText(ini, sizeof ini, "%s%s", own_dir, kUninstallIniName)) return RecordStatus::kMissing;

  const RecordStatus opens = CheckRecordOpens(ini, error);
  if (opens != RecordStatus::kOk) return opens;

  bool overlong_provider, overlong_program;
  bool has_provider = ReadCommon(ini, record::kProvider, plan->provider, sizeof plan->provider, &overlong_provider);
  bool has_program = ReadCommon(ini, record::kProgram, plan->program, sizeof plan->program, &overlong_program);
  // The names become registry keys: they must be single key names.
  if (!has_provider || !has_program || overlong_provider || overlong_program || !plan->provider[0] ||
      !plan->program[0] || FindChar(plan->provider, '\\') || FindChar(plan->program, '\\'))
    return RecordStatus::kDamaged;

  // Without a usable file_dir the whole record is unusable.
  if (!ReadDirectory(ini, record::kFileDir, plan->file_dir, nullptr)) return RecordStatus::kDamaged;
  // Files are removed relative to file_dir, so it must be where this record
  // and its uninstaller are; a copied or moved record describes someone else.
  if (!SameDirectory(plan->file_dir, own_dir)) return RecordStatus::kForeign;

  if (!ReadList(ini, record::kFiles, record::kFileLetter, false, plan->files, &plan->file_count, report))
    return RecordStatus::kDamaged;  // the installer always lists at least uninst.ini

  ReadCreated(ini, record::kCreatedFileDir, plan->file_dir, plan->created_file_dir, report);
  ReadGroup(ini, plan, report);
  ReadDesktopLink(ini, plan, report);
  return RecordStatus::kOk;
}
