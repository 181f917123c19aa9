#include "uninstall_record.h"

#include <cstring>

#include "common/text.h"
#include "common/uninstall_format.h"
#include "platform/file.h"
#include "record_sections.h"

namespace {

// Adds name to a list of the record's names. A name that would not fit whole,
// or a 65th one, is left out: a cut name could make the uninstaller remove
// another file, while a missing one only leaves a file behind.
void AppendName(char (*names)[record::kNameSize], int32_t* count, const char* name) {
  if (!name || *count < 0 || *count >= UninstallRecord::kMaxNames) return;
  if (strlen(name) >= sizeof names[0]) return;
  CopyText(names[*count], name);
  ++*count;
}

// Takes step(section, key, value) for every key of the record, in file order;
// true when every one went well. Every key is tried.
template <typename Step>
bool ForEachKey(const UninstallRecord& written, Step step) {
  const struct {
    const char* key;
    const char* value;
  } common[] = {
      {record::kProvider, written.provider},
      {record::kProgram, written.program},
      {record::kCreatedFileDir, written.created_file_dir},
      {record::kFileDir, written.file_dir},
      {record::kCreatedShortcutDir, written.created_shortcut_dir},
      {record::kShortcutDir, written.shortcut_dir},
      {record::kDesktopShortcut, written.desktop_shortcut ? "1" : "0"},
      {record::kDeskScName, written.desk_sc_name},
  };
  bool all = true;
  for (const auto& entry : common) all &= step(record::kCommon, entry.key, entry.value);
  char key[8];
  for (int32_t i = 0; i < written.file_count && i < UninstallRecord::kMaxNames; ++i) {
    FormatText(key, sizeof key, record::kListKeyFormat, record::kFileLetter, static_cast<int>(i));
    all &= step(record::kFiles, key, written.files[i]);
  }
  for (int32_t i = 0; i < written.shortcut_count && i < UninstallRecord::kMaxNames; ++i) {
    FormatText(key, sizeof key, record::kListKeyFormat, record::kShortcutLetter, static_cast<int>(i));
    all &= step(record::kShortcuts, key, written.shortcuts[i]);
  }
  return all;
}

// Whether the record in ini reads back whole: each section is read once.
bool ReadsBack(const UninstallRecord& written, const char* ini) {
  // The longest record: 8 keys of at most 280 bytes, 64 names of 68 each.
  char common[8 * 300], files[UninstallRecord::kMaxNames * 72], shortcuts[UninstallRecord::kMaxNames * 72];
  if (!ReadSection(ini, record::kCommon, common) || !ReadSection(ini, record::kFiles, files) ||
      !ReadSection(ini, record::kShortcuts, shortcuts))
    return false;
  return ForEachKey(written, [&](const char* section, const char* key, const char* value) {
    const char* lines = section == record::kCommon ? common : section == record::kFiles ? files : shortcuts;
    const char* read = FindValue(lines, key);
    return read && strcmp(read, value) == 0;
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
  // the record unusable, and the installation must not call itself done. The
  // profile writer need not report such a key (Wine's reports success on a full
  // disk), so the record is read back once the writer has let go of the file:
  // its next reader reads the disk.
  bool written = ForEachKey(*this, [&](const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, ini) != 0;
  });
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini);
  return written && ReadsBack(*this, ini) ? 1 : 0;
}
