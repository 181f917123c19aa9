// uninst.ini, the record the installer leaves for the product's uninstaller: its
// name, sections, keys and limits. The installer writes it and the uninstaller
// reads it through these names only, so the two cannot drift apart.
//
//   [COMMON]     provider, program, created_file_dir, file_dir,
//                created_shortcut_dir, shortcut_dir, desktop_shortcut ("0"/"1"),
//                desk_sc_name
//   [FILES]      f00, f01, ... one installed file each, relative to file_dir
//   [SHORTCUTS]  s00, s01, ... one link file each, relative to shortcut_dir
#ifndef MURKLE_COMMON_UNINSTALL_FORMAT_H
#define MURKLE_COMMON_UNINSTALL_FORMAT_H

#include <windows.h>

#include "text.h"

constexpr char kUninstallIniName[] = "uninst.ini";
// The root of the system's list of uninstall entries; the installer writes its
// entry's two values, which are all of the entry that the uninstaller removes.
constexpr char kUninstallKeyRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kDisplayNameValue[] = "DisplayName";
constexpr char kUninstallStringValue[] = "UninstallString";

// The keys an installation of provider's program makes: the (empty) product
// key under HKEY_CURRENT_USER, with the maker's key above it, and the uninstall
// entry under HKEY_LOCAL_MACHINE. False when the name does not fit.
inline bool ProductKeyPath(char (&subkey)[MAX_PATH], const char* provider, const char* program) {
  return FormatText(subkey, sizeof subkey, "Software\\%s\\%s", provider, program);
}
inline bool MakerKeyPath(char (&subkey)[MAX_PATH], const char* provider) {
  return FormatText(subkey, sizeof subkey, "Software\\%s", provider);
}
inline bool UninstallKeyPath(char (&subkey)[MAX_PATH], const char* provider, const char* program) {
  return FormatText(subkey, sizeof subkey, "%s\\%s_%s", kUninstallKeyRoot, provider, program);
}

namespace record {

constexpr char kCommon[] = "COMMON";
constexpr char kFiles[] = "FILES";
constexpr char kShortcuts[] = "SHORTCUTS";

constexpr char kProvider[] = "provider";
constexpr char kProgram[] = "program";
constexpr char kCreatedFileDir[] = "created_file_dir";
constexpr char kFileDir[] = "file_dir";
constexpr char kCreatedShortcutDir[] = "created_shortcut_dir";
constexpr char kShortcutDir[] = "shortcut_dir";
constexpr char kDesktopShortcut[] = "desktop_shortcut";
constexpr char kDeskScName[] = "desk_sc_name";

// The list keys: their letter and two decimal digits, from 00 on.
constexpr char kFileLetter = 'f';
constexpr char kShortcutLetter = 's';
constexpr char kListKeyFormat[] = "%c%02d";

// At most 64 entries per list, and every name (provider, program, file, link)
// in 64 bytes, its terminator included.
constexpr int kMaxNames = 64;
constexpr int kNameSize = 64;

}  // namespace record

#endif
