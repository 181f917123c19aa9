#include "install.h"

#include <shlobj.h>

#include <cstring>

#include "common/paths.h"
#include "common/registry_key.h"
#include "common/shell_links.h"
#include "common/shell_folders.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "common/uninstall_format.h"
#include "earlier_record.h"
#include "payload.h"
#include "platform/file.h"
#include "platform/makepath.h"
#include "platform/shell.h"
#include "resources/resource.h"
#include "uninstall_record.h"

namespace {

constexpr char kLinkSuffix[] = ".lnk";

// MakePath takes a drive and a limited directory part.
constexpr size_t kMaxDirectoryPath = 2 + kMaxDirectoryPart;
// Longest text a MAX_PATH buffer holds.
constexpr size_t kMaxPathText = MAX_PATH - 1;

// Loads string-table message id as the failure text and passes status on.
int32_t Fail(char* message, UINT id, int32_t status) {
  LoadText(GetModuleHandleA(nullptr), id, message, kInstallMessageSize);
  return status;
}

// Whether dir, with its backslash, can go to MakePath and still leave room for
// longest_name after it in a MAX_PATH buffer.
bool DirectoryFits(const char* dir, size_t longest_name) {
  size_t length = LengthWithBackslash(dir);
  return length <= kMaxDirectoryPath && length + longest_name <= kMaxPathText;
}

size_t LongestFileName(const SetupConfig& config) {
  size_t longest = strlen(kUninstallIniName);
  for (int32_t row = 0; row < config.count; ++row) {
    size_t length = strlen(config.manifest[row].file_name);
    if (length > longest) longest = length;
  }
  return longest;
}

size_t LongestLinkName(const SetupConfig& config) {
  size_t longest = 0;
  for (int32_t row = 0; row < config.count; ++row) {
    size_t length = strlen(config.manifest[row].caption);
    if (length > longest) longest = length;
  }
  return longest + strlen(kLinkSuffix);
}

// MakePath with the failure statuses of the installation: the system's code
// for a directory that cannot be made, E_FAIL for anything unexpected. A file
// of the directory's own name counts as existing for MakePath; it is no place
// to install into either.
bool MakeDirectory(const char* dir, char* first_created, int32_t* status) {
  try {
    MakePath(dir, first_created);
    // Asked without the trailing backslash, which would fail for a file.
    char name[MAX_PATH];
    CopyText(name, dir);
    if (!IsRootPath(name)) DropTrailingBackslash(name);
    DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      *status = static_cast<int32_t>(GetLastError());
      return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      *status = ERROR_DIRECTORY;
      return false;
    }
    return true;
  } catch (const EPlik& error) {
    *status = error.code;
  } catch (...) {
    *status = E_FAIL;
  }
  return false;
}

// The payload files, in row order. 0, or the failing message id.
UINT CopyFiles(SetupConfig& config, UninstallRecord& record) {
  HMODULE module = GetModuleHandleA(nullptr);
  try {
    for (int32_t row = 0; row < config.count; ++row) {
      const ManifestEntry& entry = config.manifest[row];
      PayloadBytes bytes;
      if (!FindPayload(module, entry.resource_id, &bytes)) return IDS_USZKODZONE;
      char target[MAX_PATH];
      if (!FormatText(target, sizeof target, "%s%s", config.file_dir, entry.file_name))
        return IDS_BLADKOPIOWANIA;
      try {
        config.InflateResourceToFile(bytes.data, bytes.size, target);
      } catch (const EDowolny&) {
        return IDS_USZKODZONE;
      }
      record.AppendFile(entry.file_name);
    }
  } catch (...) {
    return IDS_BLADKOPIOWANIA;
  }
  return 0;
}

// The program group's links, in row order, for the rows with a caption.
HRESULT CreateGroupLinks(const SetupConfig& config, UninstallRecord& record) {
  for (int32_t row = 0; row < config.count; ++row) {
    const ManifestEntry& entry = config.manifest[row];
    if (!entry.caption[0]) continue;
    char link[MAX_PATH], target[MAX_PATH], link_name[record::kNameSize + sizeof kLinkSuffix];
    if (!FormatText(link, sizeof link, "%s%s%s", config.shortcut_dir, entry.caption, kLinkSuffix) ||
        !FormatText(target, sizeof target, "%s%s", config.file_dir, entry.file_name))
      return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    HRESULT hr = CreateShortcut(target, link, entry.caption);
    if (hr < 0) return hr;
    FormatText(link_name, sizeof link_name, "%s%s", entry.caption, kLinkSuffix);
    record.AppendShortcut(link_name);
  }
  return S_OK;
}

HRESULT CreateDesktopLink(const SetupConfig& config, UninstallRecord& record) {
  if (config.desktop_index < 0 || config.desktop_index >= config.count) return E_INVALIDARG;
  char desktop[MAX_PATH];
  HRESULT hr = GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY, desktop);
  if (hr < 0) return hr;
  const ManifestEntry& entry = config.manifest[config.desktop_index];
  char link[MAX_PATH], target[MAX_PATH];
  if (!FormatText(link, sizeof link, "%s\\%s%s", desktop, entry.caption, kLinkSuffix) ||
      !FormatText(target, sizeof target, "%s%s", config.file_dir, entry.file_name))
    return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  hr = CreateShortcut(target, link, entry.caption);
  if (hr < 0) return hr;
  // A name cut short could name another file to the uninstaller: like the
  // group's links, such a link is left out of the record.
  if (!FormatText(record.desk_sc_name, sizeof record.desk_sc_name, "%s%s", entry.caption, kLinkSuffix))
    record.desk_sc_name[0] = '\0';
  return hr;
}

bool RegisterProduct(const SetupConfig& config) {
  char subkey[MAX_PATH];
  if (!ProductKeyPath(subkey, config.provider, config.program)) return false;
  RegKey key;
  return key.Create(HKEY_CURRENT_USER, subkey) == ERROR_SUCCESS;
}

bool RegisterUninstaller(const SetupConfig& config) {
  if (config.uninstaller_index >= config.count) return false;
  char subkey[MAX_PATH], display_name[MAX_PATH], command[MAX_PATH + 2];  // a path and its quotes
  const ManifestEntry& uninstaller = config.manifest[config.uninstaller_index];
  if (!UninstallKeyPath(subkey, config.provider, config.program) ||
      !FormatText(display_name, sizeof display_name, "%s - %s", config.provider, config.program) ||
      // Quoted: unquoted, a path with blanks ("C:\Program Files\...") could be
      // taken to name a program at a shorter prefix of it.
      !FormatText(command, sizeof command, "\"%s%s\"", config.file_dir, uninstaller.file_name))
    return false;
  RegKey key;
  return key.Create(HKEY_LOCAL_MACHINE, subkey) == ERROR_SUCCESS &&
         key.SetText(kDisplayNameValue, display_name) == ERROR_SUCCESS &&
         key.SetText(kUninstallStringValue, command) == ERROR_SUCCESS;
}

// Both paths are checked before anything is made, so that a refused path
// leaves no trace: each must be a plain path on a drive, one that the
// uninstaller will accept (MakePath knows drives only), fit MakePath with its
// backslash, and leave room for the longest name joined to it. A bare drive
// ("C:") becomes its root once the backslash is appended. 0, or the message
// that refuses a path, with its status.
UINT RefusedPath(const SetupConfig& config, int32_t* status) {
  const struct {
    const char* dir;
    size_t longest_name;
    UINT message;
  } paths[] = {{config.file_dir, LongestFileName(config), IDS_ZLYKATALOG},
               {config.shortcut_dir, LongestLinkName(config), IDS_ZLAGRUPA}};
  for (const auto& path : paths) {
    if (!IsPlainDrivePath(path.dir)) *status = ERROR_BAD_PATHNAME;
    else if (!DirectoryFits(path.dir, path.longest_name)) *status = ERROR_FILENAME_EXCED_RANGE;
    else continue;
    return path.message;
  }
  return 0;
}

bool IsDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Records in created (what this attempt made for dir, or empty) the earlier
// attempts' folder instead, where that is dir or one of its ancestors however
// spelt, and above created. What they made off the paths of this attempt
// (dir, other_dir) goes while it is empty: no record would name it. Then
// remembers created for the next attempt, if it was made (the report names the
// first folder to make before making it).
void TakeMadeEarlier(const char* dir, const char* other_dir, char (&created)[MAX_PATH], InstallAttempts::Made& made) {
  if (made.top[0]) {
    RemoveEmptyFolders(made.dir, made.top, dir, other_dir);
    char start[MAX_PATH];
    if (FindOnPath(dir, made.top, start)) {
      if (!created[0] || IsInsideFolder(created, start)) CopyText(created, start);
    } else if (!IsDirectory(made.top)) {
      made.top[0] = '\0';
    }
  }
  if (created[0] && IsDirectory(created)) {
    CopyText(made.top, created);
    CopyText(made.dir, dir);
  }
}

}  // namespace

int32_t RunInstall(SetupConfig& config, char* message) noexcept {
  InstallAttempts first;
  return RunInstall(config, message, first);
}

int32_t RunInstall(SetupConfig& config, char* message, InstallAttempts& attempts) noexcept {
  if ((GetFreeBytes(config.file_dir) >> 10) < config.RequiredKilobytes())
    return Fail(message, IDS_BRAKMIEJSCA, E_FAIL);

  int32_t status = 0;
  if (UINT refused = RefusedPath(config, &status)) return Fail(message, refused, status);

  UninstallRecord record;
  CopyText(record.provider, config.provider);
  CopyText(record.program, config.program);
  g_quietFileErrors = 1;

  // Appended in the configuration itself, which then holds the path as installed.
  AppendBackslash(config.file_dir);
  bool made = MakeDirectory(config.file_dir, record.created_file_dir, &status);
  TakeMadeEarlier(config.file_dir, config.shortcut_dir, record.created_file_dir, attempts.files);
  if (!made) return Fail(message, IDS_ZLYKATALOG, status);
  CopyText(record.file_dir, config.file_dir);

  if (UINT failed = CopyFiles(config, record)) return Fail(message, failed, -1);

  AppendBackslash(config.shortcut_dir);
  made = MakeDirectory(config.shortcut_dir, record.created_shortcut_dir, &status);
  TakeMadeEarlier(config.shortcut_dir, config.file_dir, record.created_shortcut_dir, attempts.group);
  if (!made) return Fail(message, IDS_ZLAGRUPA, status);
  CopyText(record.shortcut_dir, config.shortcut_dir);

  HRESULT hr = CreateGroupLinks(config, record);
  if (hr < 0) return Fail(message, IDS_BLADSKROTOW, hr);

  record.desktop_shortcut = config.desktop_shortcut;
  if (config.desktop_shortcut) {
    hr = CreateDesktopLink(config, record);
    if (hr < 0) return Fail(message, IDS_BLADSKROTOW, hr);
  }

  // The record goes before the registry entries: an installation that the
  // registry names always has the record its uninstaller needs, and one whose
  // record could not be written is registered nowhere.
  // An earlier installation's links and folders go only once this record,
  // which carries what it made, is on disk.
  if (config.uninstaller_index >= 0) {
    EarlierInstallation earlier;
    if (earlier.Read(record)) earlier.CarryCreatedFolders(&record);
    if (!record.WriteUninstallIni(config.file_dir)) return Fail(message, IDS_BLADKOPIOWANIA, -1);
    earlier.TakeOver(record);
  }
  // The uninstall entry goes before the product key, which the uninstaller
  // removes only on the word of an entry of its own.
  if (config.uninstaller_index >= 0 && !RegisterUninstaller(config)) return Fail(message, IDS_BLADREJESTRU, -1);
  if (!RegisterProduct(config)) return Fail(message, IDS_BLADREJESTRU, -1);
  attempts = InstallAttempts();
  return 0;
}
