#include "removal.h"

#include <shlobj.h>

#include <cstring>

#include "common/chars.h"
#include "common/paths.h"
#include "common/registry_key.h"
#include "common/shell_links.h"
#include "common/text.h"
#include "path_checks.h"

namespace {

bool IsGone(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

bool IsInUse(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

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

// Whether the shell link at path leads to a file directly inside folder. The
// link is read with the shell's own link object: its name proves nothing.
bool LinksInto(const char* path, const char* folder) {
  char target[MAX_PATH];
  if (ReadShortcutTarget(path, target) != S_OK) return false;
  char* slash = FindLastChar(target, '\\');
  if (!slash || !IsPlainFileName(slash + 1)) return false;
  slash[1] = '\0';
  return SameDirectory(target, folder);
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
  if (links_into && Exists(path) && !LinksInto(path, links_into)) {
    report->Add(what, Result::kLeft, Why::kNotOurLink, 0, path);
    return;
  }
  DWORD code = 0;
  if (DeleteOneFile(path, &code)) {
    report->Add(what, Result::kRemoved, Why::kNone, 0, path);
  } else if (IsGone(code)) {
    report->Add(what, Result::kGone, Why::kNone, 0, path);
  } else {
    report->Add(what, Result::kLeft, IsInUse(code) ? Why::kInUse : Why::kFailed, code, path);
  }
}

// Whether folder is one of the shell's folders (Documents, Desktop, Programs,
// Program Files, ...) or holds one. Such a folder is never removed, whatever a
// record says: an empty Documents folder is still the user's.
bool IsSystemFolder(const char* folder) {
  static const int kFolders[] = {
      CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS,         CSIDL_STARTMENU,        CSIDL_STARTUP,
      CSIDL_PERSONAL,         CSIDL_APPDATA,          CSIDL_LOCAL_APPDATA,    CSIDL_PROFILE,
      CSIDL_FAVORITES,        CSIDL_SENDTO,           CSIDL_TEMPLATES,        CSIDL_MYMUSIC,
      CSIDL_MYPICTURES,       CSIDL_MYVIDEO,          CSIDL_PROGRAM_FILES,    CSIDL_PROGRAM_FILES_COMMON,
      CSIDL_WINDOWS,          CSIDL_SYSTEM,           CSIDL_FONTS,            CSIDL_COMMON_PROGRAMS,
      CSIDL_COMMON_STARTMENU, CSIDL_COMMON_STARTUP,   CSIDL_COMMON_DESKTOPDIRECTORY,
      CSIDL_COMMON_APPDATA,   CSIDL_COMMON_DOCUMENTS,
  };
  for (int csidl : kFolders) {
    char path[MAX_PATH];
    if (GetSpecialFolderPath(csidl, path) != S_OK || !path[0]) continue;
    if (SameDirectory(folder, path)) return true;
    if (IsInsideFolder(path, folder)) return true;  // an ancestor of it
  }
  return false;
}

// Removes dir (ending with a backslash) and its ancestors up to created, each
// only while it is empty. created, already checked to be on dir's path, is the
// first folder the installer had to make; empty means it made none. Whatever
// stays is reported with its reason, the folders above it too.
void RemoveFolders(const char* dir, const char* created, UninstallReport* report) {
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
    } else if (IsSystemFolder(folder)) {
      report->Add(What::kFolder, Result::kLeft, Why::kSystemFolder, 0, folder);
      kept = true;
    } else if (RemoveDirectoryA(folder)) {
      report->Add(What::kFolder, Result::kRemoved, Why::kNone, 0, folder);
    } else {
      DWORD code = GetLastError();
      if (IsGone(code)) {
        report->Add(What::kFolder, Result::kGone, Why::kNone, 0, folder);
      } else {
        // Never recursive: a folder with anything left in it stays, and so do
        // the folders above it.
        Why why = code == ERROR_DIR_NOT_EMPTY ? Why::kNotEmpty : IsInUse(code) ? Why::kInUse : Why::kFailed;
        report->Add(What::kFolder, Result::kLeft, why, code, folder);
        kept = true;
      }
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

void UninstallKeyPath(const UninstallPlan& plan, char (&subkey)[MAX_PATH]) {
  FormatText(subkey, sizeof subkey, "%s\\%s_%s", kUninstallKeyRoot, plan.provider, plan.program);
}

void ProductKeyPath(const UninstallPlan& plan, char (&subkey)[MAX_PATH]) {
  FormatText(subkey, sizeof subkey, "Software\\%s\\%s", plan.provider, plan.program);
}

// True when the uninstall entry's command starts an uninstaller in file_dir.
// The value may be quoted.
bool UninstallStringIsOurs(HKEY key, const UninstallPlan& plan) {
  char value[MAX_PATH + 4] = {};
  DWORD type = 0, size = sizeof value - 1;  // room for a terminator the value may lack
  if (RegQueryValueExA(key, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  char* path = value;
  size_t length = strlen(path);
  if (length >= 2 && path[0] == '"' && path[length - 1] == '"') {
    path[length - 1] = '\0';
    ++path;
  }
  char* slash = FindLastChar(path, '\\');
  if (!slash || !IsPlainFileName(slash + 1)) return false;
  slash[1] = '\0';
  return SameDirectory(path, plan.file_dir);
}

// Removes a key the installer made. The uninstall entry (check_owner set) goes
// only when its command starts this installation's uninstaller; the product key
// (the installer makes it empty) only while it holds no values. No key with
// subkeys goes. Returns false when the key is another installation's.
bool RemoveKey(HKEY root, const char* root_name, const char* subkey, const UninstallPlan* check_owner,
               UninstallReport* report) {
  char text[MAX_PATH + 80];
  FormatText(text, sizeof text, "%s\\%s", root_name, subkey);
  {
    RegKey key;
    LONG status = key.Open(root, subkey, KEY_READ);
    if (status == ERROR_FILE_NOT_FOUND) {
      report->Add(What::kRegistryKey, Result::kGone, Why::kNone, 0, text);
      return true;
    }
    if (status != ERROR_SUCCESS) {
      report->Add(What::kRegistryKey, Result::kLeft, Why::kFailed, static_cast<DWORD>(status), text);
      return true;
    }
    if (check_owner && !UninstallStringIsOurs(key.get(), *check_owner)) {
      report->Add(What::kRegistryKey, Result::kLeft, Why::kNotOurs, 0, text);
      return false;
    }
    // Old systems delete subkeys along with a key; nobody else's key may go.
    DWORD subkeys = 0, values = 0;
    if (!key.Counts(&subkeys, &values) || subkeys != 0) {
      report->Add(What::kRegistryKey, Result::kLeft, Why::kHasSubkeys, 0, text);
      return true;
    }
    if (!check_owner && values != 0) {
      report->Add(What::kRegistryKey, Result::kLeft, Why::kHasValues, 0, text);
      return true;
    }
  }
  LONG status = RegDeleteKeyA(root, subkey);
  if (status == ERROR_SUCCESS)
    report->Add(What::kRegistryKey, Result::kRemoved, Why::kNone, 0, text);
  else
    report->Add(What::kRegistryKey, Result::kLeft, Why::kFailed, static_cast<DWORD>(status), text);
  return true;
}

// The maker's key goes only when nothing of anyone is left in it.
void RemoveMakerKeyIfEmpty(const UninstallPlan& plan, UninstallReport* report) {
  char subkey[MAX_PATH];
  FormatText(subkey, sizeof subkey, "Software\\%s", plan.provider);
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
  UninstallKeyPath(plan, subkey);
  if (KeyExists(HKEY_LOCAL_MACHINE, subkey)) return true;
  ProductKeyPath(plan, subkey);
  return KeyExists(HKEY_CURRENT_USER, subkey);
}

void RemoveInstallation(const UninstallPlan& plan, const RemovalPlaces& places, UninstallReport* report) {
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

  if (plan.shortcut_dir[0]) RemoveFolders(plan.shortcut_dir, plan.created_shortcut_dir, report);

  char subkey[MAX_PATH];
  UninstallKeyPath(plan, subkey);
  if (report->LeftInstalledItems()) {
    // Keep the way back: the entry in the list of programs, the record and
    // the uninstaller, so that a second run removes the rest.
    char text[MAX_PATH + 80];
    FormatText(text, sizeof text, "HKEY_LOCAL_MACHINE\\%s", subkey);
    report->Add(What::kRegistryKey, Result::kLeft, Why::kKeptForRetry, 0, text);
    char path[MAX_PATH];
    if (JoinPath(path, plan.file_dir, kUninstallIniName))
      report->Add(What::kFile, Result::kLeft, Why::kKeptForRetry, 0, path);
  } else {
    bool entry_ours = RemoveKey(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", subkey, &plan, report);
    ProductKeyPath(plan, subkey);
    if (entry_ours) {
      RemoveKey(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", subkey, nullptr, report);
      RemoveMakerKeyIfEmpty(plan, report);
    } else if (KeyExists(HKEY_CURRENT_USER, subkey)) {
      // The product is registered by another installation, which shares the key.
      char text[MAX_PATH + 80];
      FormatText(text, sizeof text, "HKEY_CURRENT_USER\\%s", subkey);
      report->Add(What::kRegistryKey, Result::kLeft, Why::kOtherInstallation, 0, text);
    }
    for (int i = 0; i < plan.file_count; ++i)
      if (IsPostponed(plan.files[i], places))
        RemoveFile(plan.file_dir, plan.files[i], What::kFile, nullptr, report);
  }

  RemoveFolders(plan.file_dir, plan.created_file_dir, report);
}
