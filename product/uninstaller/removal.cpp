#include "removal.h"

#include <shlobj.h>

#include <cstring>

#include "common/chars.h"
#include "common/handle.h"
#include "common/paths.h"
#include "common/registry_key.h"
#include "common/shell_links.h"
#include "common/shell_folders.h"
#include "common/text.h"
#include "path_checks.h"

namespace {

bool IsGone(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

bool IsInUse(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// A removal that failed with the system's code: gone already, or left for why.
void AddFailed(UninstallReport* report, What what, DWORD code, Why why, const char* text) {
  const bool gone = IsGone(code);
  report->Add(what, gone ? Result::kGone : Result::kLeft, gone ? Why::kNone : why, gone ? 0 : code, text);
}

bool DeleteOneFile(const char* path, DWORD* code) {
  if (DeleteFileA(path)) return true;
  *code = GetLastError();
  DWORD attributes = GetFileAttributesA(path);
  if (*code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    // Marked read-only after installing, but still one of ours.
    if (SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
      if (DeleteFileA(path)) return true;
      *code = GetLastError();
      SetFileAttributesA(path, attributes);
    }
  }
  if (*code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY))
    *code = ERROR_DIRECTORY;  // a folder where a file was installed: not "in use"
  return false;
}

// Removes dir's file name. A link (links_into set) goes only when it leads into
// the folder links_into.
void RemoveFile(const char* dir, const char* name, What what, const char* links_into, UninstallReport* report) {
  if (!name[0]) return;  // a refused entry
  char path[MAX_PATH];
  if (!JoinPath(path, dir, name)) {
    report->Add(what, Result::kRefused, Why::kOverlong, 0, name);
    return;
  }
  if (links_into && Exists(path)) {
    // A link that cannot be read may be ours: it stays as a file in use would.
    LinkLead lead = WhereLinkLeads(path, links_into);
    if (lead != LinkLead::kInto) {
      report->Add(what, Result::kLeft, lead == LinkLead::kUnreadable ? Why::kInUse : Why::kNotOurLink, 0, path);
      return;
    }
  }
  DWORD code = 0;
  if (DeleteOneFile(path, &code))
    report->Add(what, Result::kRemoved, Why::kNone, 0, path);
  else
    AddFailed(report, what, code, IsInUse(code) ? Why::kInUse : Why::kFailed, path);
}

// Removes dir (ending with a backslash) and its ancestors up to created, each
// only while it is empty. created, already checked to be on dir's path, is the
// first folder the installer had to make; empty means it made none. Whatever
// stays is reported with its reason, the folders above it too; holds_ours says
// that dir still holds something of the installation that was left. Once the
// way back has gone (by_hand), a folder in use is the user's to delete.
void RemoveFolders(const char* dir, const char* created, bool holds_ours, bool by_hand, UninstallReport* report) {
  if (!created[0]) return;
  size_t top = strlen(created);
  char folder[MAX_PATH];
  CopyText(folder, dir);
  DropTrailingBackslash(folder);
  size_t length = strlen(folder);
  bool kept = false;
  while (length >= top) {
    if (kept) {
      report->Add(What::kFolder, Result::kLeft, Why::kHoldsKept, 0, folder);
    } else if (IsShellFolder(folder)) {
      report->Add(What::kFolder, Result::kLeft, Why::kSystemFolder, 0, folder);
      kept = true;
    } else if (RemoveDirectoryA(folder)) {
      report->Add(What::kFolder, Result::kRemoved, Why::kNone, 0, folder);
    } else {
      // Never recursive: a folder with anything left in it stays, and so do
      // the folders above it.
      DWORD code = GetLastError();
      Why why = code != ERROR_DIR_NOT_EMPTY ? (!IsInUse(code) ? Why::kFailed
                                               : by_hand       ? Why::kRemoveByHand
                                                               : Why::kInUse)
                : holds_ours                ? Why::kHoldsKept
                                            : Why::kNotEmpty;
      AddFailed(report, What::kFolder, code, why, folder);
      kept = !IsGone(code);
    }
    char* slash = FindLastChar(folder, '\\');
    if (!slash || length == top) return;
    *slash = '\0';
    length = static_cast<size_t>(slash - folder);
  }
}

bool IsPostponed(const char* name, const RemovalPlaces& places) {
  return EqualNoCase(name, kUninstallIniName) ||
         (places.uninstaller_name && EqualNoCase(name, places.uninstaller_name));
}

// The maker's key goes only when nothing of anyone is left in it.
void RemoveMakerKeyIfEmpty(const UninstallPlan& plan, UninstallReport* report) {
  char subkey[MAX_PATH];
  MakerKeyPath(subkey, plan.provider);
  {
    RegKey key;
    DWORD subkeys = 0, values = 0;
    if (key.Open(HKEY_CURRENT_USER, subkey, KEY_READ) != ERROR_SUCCESS || !key.Counts(&subkeys, &values) ||
        subkeys != 0 || values != 0)
      return;
  }
  if (RegDeleteKeyA(HKEY_CURRENT_USER, subkey) == ERROR_SUCCESS) {
    char text[MAX_PATH + 80];
    FormatText(text, sizeof text, "HKEY_CURRENT_USER\\%s", subkey);
    report->Add(What::kRegistryKey, Result::kRemoved, Why::kNone, 0, text);
  }
}

bool KeyExists(HKEY root, const char* subkey) {
  RegKey key;
  return key.Open(root, subkey, KEY_READ) == ERROR_SUCCESS;
}

// Whose the uninstall entry is, by the program its command starts; kNoEntry
// when there is none, kUnknown when it cannot be read.
enum class Owner { kThisInstallation, kAnotherInstallation, kNobody, kNoEntry, kUnknown };

struct EntryOwnership {
  Owner owner;
  LONG error;  // the system's answer to opening the entry
};

bool IsFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program in a command: the quoted path, or else, as the system does, the
// shortest start of it up to a blank that names a file (the whole command
// when none does). Arguments after it do not count.
void CommandProgram(char* command) {
  if (command[0] == '"') {
    char* close = FindChar(command + 1, '"');
    if (close) *close = '\0';
    memmove(command, command + 1, strlen(command));
    return;
  }
  for (char* blank = command; (blank = FindChar(blank, ' ')) != nullptr; ++blank) {
    *blank = '\0';
    if (IsFile(command)) return;
    *blank = ' ';
  }
}

// This installation's when its command starts a program in file_dir; another
// installation's when it starts another program that exists.
Owner EntryOwner(const RegKey& key, const UninstallPlan& plan) {
  char value[MAX_PATH + 4];
  if (key.QueryText(kUninstallStringValue, value, sizeof value) != ERROR_SUCCESS) return Owner::kNobody;
  CommandProgram(value);
  char folder[MAX_PATH];
  CopyText(folder, value);
  char* slash = FindLastChar(folder, '\\');
  if (slash && IsPlainFileName(slash + 1)) {
    slash[1] = '\0';
    if (SameDirectory(folder, plan.file_dir)) return Owner::kThisInstallation;
  }
  return IsFile(value) ? Owner::kAnotherInstallation : Owner::kNobody;
}

// Decided before anything goes: an unquoted command names its program only
// while that file is there to be found.
EntryOwnership FindEntryOwner(const UninstallPlan& plan) {
  char entry_key[MAX_PATH];
  UninstallKeyPath(entry_key, plan.provider, plan.program);
  RegKey entry;
  LONG status = entry.Open(HKEY_LOCAL_MACHINE, entry_key, KEY_READ);
  if (status != ERROR_SUCCESS) return {IsGone(static_cast<DWORD>(status)) ? Owner::kNoEntry : Owner::kUnknown, status};
  return {EntryOwner(entry, plan), ERROR_SUCCESS};
}

void AddKeyLine(const char* root_name, const char* subkey, Result result, Why why, DWORD error,
                UninstallReport* report) {
  char text[MAX_PATH + 80];
  FormatText(text, sizeof text, "%s\\%s", root_name, subkey);
  report->Add(What::kRegistryKey, result, why, error, text);
}

// Deletes an opened key that holds nothing, or says why it stays: no key with
// subkeys goes (old systems delete them along with it), nor one with values.
// False when the system refused to delete it.
bool DeleteEmptyKey(HKEY root, const char* root_name, const char* subkey, RegKey& key, UninstallReport* report) {
  DWORD subkeys = 0, values = 0;
  if (!key.Counts(&subkeys, &values) || subkeys != 0 || values != 0) {
    AddKeyLine(root_name, subkey, Result::kLeft, subkeys != 0 ? Why::kHasSubkeys : Why::kHasValues, 0, report);
    return true;
  }
  key.Close();
  LONG status = RegDeleteKeyA(root, subkey);
  AddKeyLine(root_name, subkey, status == ERROR_SUCCESS ? Result::kRemoved : Result::kLeft,
             status == ERROR_SUCCESS ? Why::kNone : Why::kFailed, static_cast<DWORD>(status), report);
  return status == ERROR_SUCCESS;
}

// The product key, which the installer makes empty, and then the uninstall
// entry. Ours, the entry loses the two values that the installer wrote (over
// whatever an earlier entry of its name held), and goes when nothing else is
// left in it; the product key goes with it, while it is empty. Nothing goes
// on the word of an entry that is not ours: the record alone could name any
// key. Another installation's entry and the product key stay.
// False when an entry of ours must stay because it cannot be deleted (no
// access): the way back stays with it. *entry_named says that the entry
// already has its line in the report then.
bool RemoveKeys(const UninstallPlan& plan, const EntryOwnership& ownership, UninstallReport* report,
                bool* entry_named) {
  char entry_key[MAX_PATH], product_key[MAX_PATH];
  UninstallKeyPath(entry_key, plan.provider, plan.program);
  ProductKeyPath(product_key, plan.provider, plan.program);
  *entry_named = false;
  switch (ownership.owner) {
    case Owner::kNoEntry:
      AddKeyLine("HKEY_LOCAL_MACHINE", entry_key, Result::kGone, Why::kNone, 0, report);
      return true;
    case Owner::kAnotherInstallation:
      // The product is registered by another installation, which shares the key.
      AddKeyLine("HKEY_LOCAL_MACHINE", entry_key, Result::kLeft, Why::kNotOurs, 0, report);
      report->other_installation = true;
      if (KeyExists(HKEY_CURRENT_USER, product_key))
        AddKeyLine("HKEY_CURRENT_USER", product_key, Result::kLeft, Why::kOtherInstallation, 0, report);
      return true;
    case Owner::kNobody:
      AddKeyLine("HKEY_LOCAL_MACHINE", entry_key, Result::kLeft, Why::kNotOurs, 0, report);
      return true;
    case Owner::kUnknown:
    case Owner::kThisInstallation:
      break;
  }
  // Opened for deleting first: an entry that refuses it keeps the product key,
  // the uninstaller and its record with it.
  RegKey entry;
  LONG status = ownership.owner == Owner::kUnknown
                    ? ownership.error
                    : entry.Open(HKEY_LOCAL_MACHINE, entry_key, KEY_READ | KEY_SET_VALUE | DELETE);
  if (status != ERROR_SUCCESS) {
    DWORD code = static_cast<DWORD>(status);
    AddKeyLine("HKEY_LOCAL_MACHINE", entry_key, Result::kLeft, IsInUse(code) ? Why::kInUse : Why::kFailed, code,
               report);
    *entry_named = true;
    return false;
  }
  {
    RegKey product;
    LONG opened = product.Open(HKEY_CURRENT_USER, product_key, KEY_READ);
    if (opened == ERROR_SUCCESS) {
      if (!DeleteEmptyKey(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", product_key, product, report)) return false;
    } else {
      char text[MAX_PATH + 80];
      FormatText(text, sizeof text, "HKEY_CURRENT_USER\\%s", product_key);
      AddFailed(report, What::kRegistryKey, static_cast<DWORD>(opened), Why::kFailed, text);
      // The product key is still to go: a second run's job.
      if (!IsGone(static_cast<DWORD>(opened))) return false;
    }
  }
  RemoveMakerKeyIfEmpty(plan, report);
  const char* const values[] = {kDisplayNameValue, kUninstallStringValue};
  for (const char* value : values) {
    LONG deleted = entry.DeleteValue(value);
    if (deleted != ERROR_SUCCESS && !IsGone(static_cast<DWORD>(deleted))) {
      AddKeyLine("HKEY_LOCAL_MACHINE", entry_key, Result::kLeft, Why::kFailed, static_cast<DWORD>(deleted), report);
      *entry_named = true;
      return false;
    }
  }
  // Without our values the entry starts nothing: it is no way back any more,
  // whether or not the key itself can go.
  DeleteEmptyKey(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", entry_key, entry, report);
  *entry_named = true;
  return true;
}

bool IsDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether any of names is still in dir as the installation's: a file that
// exists, or a link that leads into links_into (when given) or cannot be read.
bool AnyLeft(const char* dir, const char (*names)[kNameSize], int count, const char* links_into) {
  char path[MAX_PATH];
  for (int i = 0; i < count; ++i)
    if (names[i][0] && JoinPath(path, dir, names[i]) && Exists(path) &&
        (!links_into || WhereLinkLeads(path, links_into) != LinkLead::kElsewhere))
      return true;
  return false;
}

// Writes section as the list of those of names (with key letter) that keep
// tells to keep, or removes the section when there are none.
template <typename Keep>
void WriteList(const char* ini, const char* section, char letter, const char (*names)[kNameSize], int count,
               Keep keep) {
  char lines[kMaxNames * (kNameSize + 8)];
  size_t used = 0;
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    if (!names[i][0] || !keep(names[i])) continue;
    FormatText(lines + used, sizeof lines - used - 1, "%c%02d=%s", letter, kept++, names[i]);
    used += strlen(lines + used) + 1;
  }
  lines[used] = '\0';
  if (kept > 0)
    WritePrivateProfileSectionA(section, lines, ini);
  else
    WritePrivateProfileStringA(section, nullptr, nullptr, ini);
}

// Keeps the uninstall entry, the uninstaller and its record for a second run,
// and rewrites the record to list only what is still there of the
// installation: that run then has only that to do.
// way_back names the uninstaller and the record; tried says which of them
// already has its line in the report, name_entry whether the entry still needs
// one.
void KeepWayBack(const UninstallPlan& plan, const RemovalPlaces& places, const char* const (&way_back)[2],
                 const bool (&tried)[2], bool name_entry, UninstallReport* report) {
  char entry_key[MAX_PATH], path[MAX_PATH], ini[MAX_PATH];
  UninstallKeyPath(entry_key, plan.provider, plan.program);
  if (name_entry) AddKeyLine("HKEY_LOCAL_MACHINE", entry_key, Result::kLeft, Why::kKeptForRetry, 0, report);
  for (int k = 0; k < 2; ++k)
    if (!tried[k] && way_back[k] && JoinPath(path, plan.file_dir, way_back[k]) && Exists(path))
      report->Add(What::kFile, Result::kLeft, Why::kKeptForRetry, 0, path);
  if (!JoinPath(ini, plan.file_dir, kUninstallIniName)) return;
  WriteList(ini, record::kFiles, record::kFileLetter, plan.files, plan.file_count,
            [&](const char* name) { return JoinPath(path, plan.file_dir, name) && Exists(path); });
  // A link that stays because it leads elsewhere is no longer the installation's;
  // one that could not be read still may be.
  auto ours = [&](const char* dir, const char* name) {
    return dir && dir[0] && JoinPath(path, dir, name) && WhereLinkLeads(path, plan.file_dir) != LinkLead::kElsewhere;
  };
  WriteList(ini, record::kShortcuts, record::kShortcutLetter, plan.shortcuts, plan.shortcut_count,
            [&](const char* name) { return ours(plan.shortcut_dir, name); });
  if (plan.desk_sc_name[0] && !ours(places.desktop_dir, plan.desk_sc_name)) {
    WritePrivateProfileStringA(record::kCommon, record::kDesktopShortcut, "0", ini);
    WritePrivateProfileStringA(record::kCommon, record::kDeskScName, "", ini);
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini);
}

// Whether the uninstaller and its record (those of way_back that the record
// lists and that are there) can go now; the first that cannot is reported as
// left, and marked in tried. Asked before the registry goes, so that an
// uninstaller held open does not stay behind without its entry.
bool WayBackCanGo(const UninstallPlan& plan, const RemovalPlaces& places, const char* const (&way_back)[2],
                  bool (&tried)[2], UninstallReport* report) {
  char path[MAX_PATH];
  for (int k = 0; k < 2; ++k)
    for (int i = 0; i < plan.file_count && way_back[k]; ++i) {
      if (!EqualNoCase(plan.files[i], way_back[k]) || !JoinPath(path, plan.file_dir, way_back[k]) || !Exists(path))
        continue;
      // The running uninstaller's own file cannot go (no copy could be started).
      DWORD code = k == 0 && places.uninstaller_running ? ERROR_SHARING_VIOLATION : 0;
      if (!code) {
        // A probe: opened for deleting, the file stays.
        Handle file(CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
        if (!file) code = GetLastError();
      }
      if (code && !IsGone(code)) {
        report->Add(What::kFile, Result::kLeft, IsInUse(code) ? Why::kInUse : Why::kFailed, code, path);
        tried[k] = true;
        return false;
      }
    }
  return true;
}

}  // namespace

bool AnythingInstalled(const UninstallPlan& plan, const RemovalPlaces& places) {
  char path[MAX_PATH];
  for (int i = 0; i < plan.file_count; ++i)
    if (plan.files[i][0] && !IsPostponed(plan.files[i], places) && JoinPath(path, plan.file_dir, plan.files[i]) &&
        Exists(path))
      return true;
  for (int i = 0; i < plan.shortcut_count; ++i)
    if (plan.shortcuts[i][0] && JoinPath(path, plan.shortcut_dir, plan.shortcuts[i]) && Exists(path))
      return true;
  if (plan.desk_sc_name[0] && places.desktop_dir && places.desktop_dir[0] &&
      JoinPath(path, places.desktop_dir, plan.desk_sc_name) && Exists(path))
    return true;
  char subkey[MAX_PATH];
  UninstallKeyPath(subkey, plan.provider, plan.program);
  if (KeyExists(HKEY_LOCAL_MACHINE, subkey)) return true;
  ProductKeyPath(subkey, plan.provider, plan.program);
  return KeyExists(HKEY_CURRENT_USER, subkey);
}

void RemoveInstallation(const UninstallPlan& plan, const RemovalPlaces& places, UninstallReport* report) {
  // A group folder that is not there holds no links of ours: its folders are no
  // proof of anything the installation made.
  const bool group_there = plan.shortcut_dir[0] && IsDirectory(plan.shortcut_dir);
  const EntryOwnership ownership = FindEntryOwner(plan);

  // The links first, while the files they lead to are still there to compare.
  for (int i = 0; i < plan.shortcut_count; ++i)
    RemoveFile(plan.shortcut_dir, plan.shortcuts[i], What::kLink, plan.file_dir, report);
  if (plan.desk_sc_name[0]) {
    if (places.desktop_dir && places.desktop_dir[0])
      RemoveFile(places.desktop_dir, plan.desk_sc_name, What::kDesktopLink, plan.file_dir, report);
    else
      report->Add(What::kDesktopLink, Result::kLeft, Why::kFailed, ERROR_PATH_NOT_FOUND, plan.desk_sc_name);
  }
  for (int i = 0; i < plan.file_count; ++i)
    if (!IsPostponed(plan.files[i], places)) RemoveFile(plan.file_dir, plan.files[i], What::kFile, nullptr, report);
  if (group_there)
    RemoveFolders(plan.shortcut_dir, plan.created_shortcut_dir,
                  AnyLeft(plan.shortcut_dir, plan.shortcuts, plan.shortcut_count, plan.file_dir), false, report);

  // The way back goes last, and only when nothing else of the installation is
  // left: the registry entries, then the uninstaller and its record. Whatever
  // stops that keeps all three, so that a second run can finish the job.
  const char* const way_back[] = {places.uninstaller_name, kUninstallIniName};
  bool tried[2] = {};
  bool entry_named = false;
  const bool gone = !report->LeftInstalledItems() && WayBackCanGo(plan, places, way_back, tried, report) &&
                    RemoveKeys(plan, ownership, report, &entry_named);
  if (gone) {
    for (int k = 0; k < 2; ++k)
      for (int i = 0; i < plan.file_count && way_back[k]; ++i)
        if (EqualNoCase(plan.files[i], way_back[k]))
          RemoveFile(plan.file_dir, plan.files[i], What::kFile, nullptr, report);
  } else {
    KeepWayBack(plan, places, way_back, tried, !entry_named, report);
  }

  RemoveFolders(plan.file_dir, plan.created_file_dir, AnyLeft(plan.file_dir, plan.files, plan.file_count, nullptr),
                gone && !report->LeftInstalledItems(), report);
}
