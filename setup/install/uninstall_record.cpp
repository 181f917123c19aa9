#include "uninstall_record.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/file.h"
#include "platform/handle.h"
#include "platform/text.h"
#include "uninstall_names.h"

namespace {

// Adds name to a list of 64 names of 64 bytes. A name that would not fit whole,
// or a 65th one, is left out: a cut name could make the uninstaller remove
// another file, while a missing one only leaves a file behind.
void AppendName(char (*names)[64], int32_t* count, const char* name) {
  if (!name || *count < 0 || *count >= UninstallRecord::kMaxNames) return;
  if (strlen(name) >= sizeof names[0]) return;
  CopyText(names[*count], name);
  ++*count;
}

// Calls put(section, key, value) for every key of the record, in file order.
template <typename Put>
bool ForEachKey(const UninstallRecord& record, Put put) {
  const struct {
    const char* key;
    const char* value;
  } common[] = {
      {"provider", record.provider},
      {"program", record.program},
      {"created_file_dir", record.created_file_dir},
      {"file_dir", record.file_dir},
      {"created_shortcut_dir", record.created_shortcut_dir},
      {"shortcut_dir", record.shortcut_dir},
      {"desktop_shortcut", record.desktop_shortcut ? "1" : "0"},
      {"desk_sc_name", record.desk_sc_name},
  };
  bool all = true;
  for (const auto& entry : common) all &= put("COMMON", entry.key, entry.value);
  char key[8];
  for (int32_t i = 0; i < record.file_count && i < UninstallRecord::kMaxNames; ++i) {
    FormatText(key, sizeof key, "f%02d", static_cast<int>(i));
    all &= put("FILES", key, record.files[i]);
  }
  for (int32_t i = 0; i < record.shortcut_count && i < UninstallRecord::kMaxNames; ++i) {
    FormatText(key, sizeof key, "s%02d", static_cast<int>(i));
    all &= put("SHORTCUTS", key, record.shortcuts[i]);
  }
  return all;
}

// Whether the file on disk holds every key of the record, in order. The
// profile writer need not say that a write did not reach the disk (Wine's
// reports success on a full one), so the file itself is read back.
bool OnDisk(const UninstallRecord& record, const char* ini) {
  // 128 list keys of 63 characters and the paths fit many times over.
  constexpr DWORD kMaxSize = 65536;
  Handle file(CreateFileA(ini, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  DWORD size = file ? GetFileSize(file.get(), nullptr) : INVALID_FILE_SIZE;
  if (size == INVALID_FILE_SIZE || size > kMaxSize) return false;
  std::unique_ptr<char[]> bytes(new (std::nothrow) char[size + 1]);
  DWORD read = 0;
  if (!bytes || !ReadFile(file.get(), bytes.get(), size, &read, nullptr) || read != size) return false;
  bytes[size] = '\0';

  const char* at = bytes.get();
  const char* section = "";
  return ForEachKey(record, [&](const char* in_section, const char* key, const char* value) {
    char line[MAX_PATH + 32];
    if (strcmp(in_section, section) != 0) {
      section = in_section;
      FormatText(line, sizeof line, "[%s]\r\n", section);
      if (!at || !(at = strstr(at, line))) return false;
    }
    // A key line follows the line before it.
    if (!FormatText(line, sizeof line, "\n%s=%s\r\n", key, value) || !at || !(at = strstr(at, line))) return false;
    return true;
  });
}

}  // namespace

UninstallRecord::UninstallRecord() {
  provider[0] = '\0';
  program[0] = '\0';
  created_file_dir[0] = '\0';
  file_dir[0] = '\0';
  created_shortcut_dir[0] = '\0';
  shortcut_dir[0] = '\0';
  desktop_shortcut = 0;
  file_count = 0;
  shortcut_count = 0;
  desk_sc_name[0] = '\0';
}

void UninstallRecord::AppendFile(const char* file_name) { AppendName(files, &file_count, file_name); }

void UninstallRecord::AppendShortcut(const char* link_name) {
  AppendName(shortcuts, &shortcut_count, link_name);
}

int32_t UninstallRecord::WriteUninstallIni(const char* dir) {
  // An empty dir means the current directory. It is spelled ".\\" because the
  // profile writer would take a bare file name to be in the Windows directory,
  // not in the file created here.
  if (!dir || !dir[0]) dir = ".\\";
  char ini[MAX_PATH];
  // A cut path would be some other file: a directory too long for the name is refused.
  if (!JoinPath(ini, dir, kUninstallIniName)) return 0;

  DiskFile file;
  g_quietFileErrors = 1;
  // Creating the file empty first drops whatever an earlier record held; the
  // profile writer then only ever appends.
  try {
    file.Create(ini, 1);
    file.SetEnd();
    file.Close();
  } catch (...) {
    CloseAfterFailure(file);
    return 0;
  }

  AppendFile(kUninstallIniName);

  // Every key is tried; one that did not go in (a disk that filled, say) makes
  // the record unusable, and the installation must not call itself done.
  bool written = ForEachKey(*this, [&](const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, ini) != 0;
  });
  // The profile writer may hold what it wrote; its file is read only once flushed.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini);
  return written && OnDisk(*this, ini) ? 1 : 0;
}
