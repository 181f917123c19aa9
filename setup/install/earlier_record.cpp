#include "earlier_record.h"

#include <shlobj.h>

#include <cstring>

#include "common/chars.h"
#include "common/paths.h"
#include "common/shell_links.h"
#include "common/shell_folders.h"
#include "common/text.h"
#include "common/uninstall_format.h"
#include "record_sections.h"

namespace {

// The value of key in section; "" when absent.
const char* ValueOf(const char* section, const char* key) {
  const char* value = FindValue(section, key);
  return value ? value : "";
}

// The earlier record's created folder, where this installation made none and
// it is still on dir's path below the root.
void Carry(const char* earlier, const char* dir, char (&created)[MAX_PATH]) {
  if (!created[0] && !IsRootPath(earlier) && IsInsideFolder(dir, earlier)) CopyText(created, earlier);
}

bool IsLinkFileName(const char* name) { return IsPlainFileName(name) && EndsWithNoCase(name, ".lnk"); }

// Deletes dir's link name where it leads into folder; true when it did.
bool DeleteLinkInto(const char* dir, const char* name, const char* folder) {
  char link[MAX_PATH];
  return IsLinkFileName(name) && JoinPath(link, dir, name) && LinkLeadsInto(link, folder) && DeleteFileA(link);
}

bool MadeAgain(const UninstallRecord& now, const char* name) {
  for (int32_t i = 0; i < now.shortcut_count; ++i)
    if (EqualNoCase(now.shortcuts[i], name)) return true;
  return false;
}

// Removes dir and its folders up to created while each is empty.
void RemoveEmptyFolders(const char* dir, const char* created) {
  if (IsRootPath(created) || !IsAbsolutePlainPath(created) || !IsInsideFolder(dir, created)) return;
  char folder[MAX_PATH];
  CopyText(folder, dir);
  DropTrailingBackslash(folder);
  while (strlen(folder) >= strlen(created) && RemoveDirectoryA(folder)) {
    char* slash = FindLastChar(folder, '\\');
    if (!slash) return;
    *slash = '\0';
  }
}

}  // namespace

void TakeOverEarlierInstallation(UninstallRecord* now) {
  // A record of this installer holds 8 keys of at most 280 bytes in [COMMON]
  // and 64 names in [SHORTCUTS]; one that does not fit is no record of ours.
  char ini[MAX_PATH], common[4096];
  if (!JoinPath(ini, now->file_dir, kUninstallIniName)) return;
  ReadSection(ini, record::kCommon, common);
  // A record copied here from another folder speaks of that one.
  if (strcmp(ValueOf(common, record::kProvider), now->provider) != 0 ||
      strcmp(ValueOf(common, record::kProgram), now->program) != 0 ||
      !EqualNoCase(ValueOf(common, record::kFileDir), now->file_dir))
    return;
  Carry(ValueOf(common, record::kCreatedFileDir), now->file_dir, now->created_file_dir);
  const char* group = ValueOf(common, record::kShortcutDir);
  const bool same_group = EqualNoCase(group, now->shortcut_dir);
  if (same_group) Carry(ValueOf(common, record::kCreatedShortcutDir), now->shortcut_dir, now->created_shortcut_dir);

  bool group_emptied = false;
  if (IsAbsolutePlainPath(group)) {
    char links[record::kMaxNames * 72];
    ReadSection(ini, record::kShortcuts, links);
    for (const char* line = links; *line; line += strlen(line) + 1) {
      const char* name = FindChar(line, '=');
      if (name && !(same_group && MadeAgain(*now, name + 1)) && DeleteLinkInto(group, name + 1, now->file_dir))
        group_emptied = true;
    }
  }
  const char* desktop_link = ValueOf(common, record::kDeskScName);
  char desktop[MAX_PATH];
  if (desktop_link[0] && !EqualNoCase(desktop_link, now->desk_sc_name) &&
      GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY, desktop) == S_OK)
    DeleteLinkInto(desktop, desktop_link, now->file_dir);
  // Only a group that held links into this destination is that installation's.
  if (group_emptied && !same_group) RemoveEmptyFolders(group, ValueOf(common, record::kCreatedShortcutDir));
}
