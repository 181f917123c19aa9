#include "earlier_record.h"

#include <shlobj.h>

#include <cstring>

#include "common/chars.h"
#include "common/paths.h"
#include "common/shell_folders.h"
#include "common/shell_links.h"
#include "common/text.h"
#include "platform/makepath.h"
#include "record_sections.h"

namespace {

// The value of key in section; "" when absent.
const char* ValueOf(const char* section, const char* key) {
  const char* value = FindValue(section, key);
  return value ? value : "";
}

// The earlier record's created folder, where this installation made none and
// it is dir or one of dir's ancestors below the root, as dir spells it.
void Carry(const char* earlier, const char* dir, char (&created)[MAX_PATH]) {
  char start[MAX_PATH];
  if (!created[0] && !IsRootPath(earlier) && FindOnPath(dir, earlier, start) && !IsRootPath(start))
    CopyText(created, start);
}

bool IsLinkFileName(const char* name) { return IsPlainFileName(name) && EndsWithNoCase(name, ".lnk"); }

// Whether link is one that this installation has just saved, in its group or
// on the desktop (which may be one folder), by identity on disk.
bool SavedNow(const UninstallRecord& now, const char* desktop, const char* link) {
  char path[MAX_PATH];
  for (int32_t i = 0; i < now.shortcut_count; ++i)
    if (JoinPath(path, now.shortcut_dir, now.shortcuts[i]) && SameFile(path, link)) return true;
  return now.desk_sc_name[0] && desktop[0] && JoinPath(path, desktop, now.desk_sc_name) && SameFile(path, link);
}

// Deletes dir's link name where it leads into this destination and is not one
// of this installation's own; true when it did.
bool DeleteEarlierLink(const UninstallRecord& now, const char* desktop, const char* dir, const char* name) {
  char link[MAX_PATH];
  return IsLinkFileName(name) && JoinPath(link, dir, name) && !SavedNow(now, desktop, link) &&
         LinkLeadsInto(link, now.file_dir) && DeleteFileA(link);
}

}  // namespace

bool EarlierInstallation::Read(const UninstallRecord& now) {
  char ini[MAX_PATH];
  if (!JoinPath(ini, now.file_dir, kUninstallIniName) || !ReadSection(ini, record::kCommon, common_)) return false;
  // A record copied here from another folder speaks of that one.
  if (strcmp(ValueOf(common_, record::kProvider), now.provider) != 0 ||
      strcmp(ValueOf(common_, record::kProgram), now.program) != 0 ||
      !SameDirectory(ValueOf(common_, record::kFileDir), now.file_dir)) {
    common_[0] = common_[1] = '\0';
    return false;
  }
  ReadSection(ini, record::kShortcuts, links_);
  return true;
}

void EarlierInstallation::CarryCreatedFolders(UninstallRecord* now) const {
  if (!common_[0]) return;
  Carry(ValueOf(common_, record::kCreatedFileDir), now->file_dir, now->created_file_dir);
  if (SameDirectory(ValueOf(common_, record::kShortcutDir), now->shortcut_dir))
    Carry(ValueOf(common_, record::kCreatedShortcutDir), now->shortcut_dir, now->created_shortcut_dir);
}

void EarlierInstallation::TakeOver(const UninstallRecord& now) const {
  if (!common_[0]) return;
  char desktop[MAX_PATH] = "";
  if (GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY, desktop) != S_OK) desktop[0] = '\0';

  const char* group = ValueOf(common_, record::kShortcutDir);
  bool deleted_in_group = false;
  if (IsAbsolutePlainPath(group)) {
    for (const char* line = links_; *line; line += strlen(line) + 1) {
      const char* name = FindChar(line, '=');
      if (name && DeleteEarlierLink(now, desktop, group, name + 1)) deleted_in_group = true;
    }
  }
  const char* desktop_link = ValueOf(common_, record::kDeskScName);
  if (desktop_link[0] && desktop[0]) DeleteEarlierLink(now, desktop, desktop, desktop_link);
  // Only a group that held links into this destination is that installation's.
  if (deleted_in_group)
    RemoveEmptyFolders(group, ValueOf(common_, record::kCreatedShortcutDir), now.file_dir, now.shortcut_dir);
}
