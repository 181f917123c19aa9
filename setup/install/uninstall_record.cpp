#include "uninstall_record.h"

#include <cstring>

#include "platform/file.h"
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

void WriteList(const char* section, char letter, const char (*names)[64], int32_t count,
               const char* ini) {
  for (int32_t i = 0; i < count && i < UninstallRecord::kMaxNames; ++i) {
    char key[8];
    FormatText(key, sizeof key, "%c%02d", letter, static_cast<int>(i));
    WritePrivateProfileStringA(section, key, names[i], ini);
  }
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

  WritePrivateProfileStringA("COMMON", "provider", provider, ini);
  WritePrivateProfileStringA("COMMON", "program", program, ini);
  WritePrivateProfileStringA("COMMON", "created_file_dir", created_file_dir, ini);
  WritePrivateProfileStringA("COMMON", "file_dir", file_dir, ini);
  WritePrivateProfileStringA("COMMON", "created_shortcut_dir", created_shortcut_dir, ini);
  WritePrivateProfileStringA("COMMON", "shortcut_dir", shortcut_dir, ini);
  WritePrivateProfileStringA("COMMON", "desktop_shortcut", desktop_shortcut ? "1" : "0", ini);
  WritePrivateProfileStringA("COMMON", "desk_sc_name", desk_sc_name, ini);
  WriteList("FILES", 'f', files, file_count, ini);
  WriteList("SHORTCUTS", 's', shortcuts, shortcut_count, ini);
  return 1;
}
