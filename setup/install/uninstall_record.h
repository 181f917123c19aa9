// What one installation did, for the product's uninstaller, written as uninst.ini.
#ifndef MURKLE_INSTALL_UNINSTALL_RECORD_H
#define MURKLE_INSTALL_UNINSTALL_RECORD_H

#include <windows.h>

#include <cstdint>

#include "common/uninstall_format.h"

struct UninstallRecord {
  static constexpr int kMaxNames = record::kMaxNames;

  UninstallRecord();

  // Adds a file name (relative to file_dir) / a link file name (relative to
  // shortcut_dir) to the record.
  void AppendFile(const char* file_name);
  void AppendShortcut(const char* link_name);
  // Writes the record as "uninst.ini" in dir (which it lists as its last file).
  // 1 when written whole; 0 when the file could not be made (nothing written
  // then) or a key did not go in (the file is then incomplete).
  int32_t WriteUninstallIni(const char* dir);

  char provider[record::kNameSize];
  char program[record::kNameSize];
  char created_file_dir[MAX_PATH];      // top directory the installation made, or empty
  char file_dir[MAX_PATH];              // ends with a backslash
  char created_shortcut_dir[MAX_PATH];  // the same for the program group
  char shortcut_dir[MAX_PATH];          // ends with a backslash
  int32_t desktop_shortcut;
  int32_t file_count;
  char files[kMaxNames][record::kNameSize];
  int32_t shortcut_count;
  char shortcuts[kMaxNames][record::kNameSize];
  char desk_sc_name[record::kNameSize];  // empty when no desktop link was made
};

#endif
