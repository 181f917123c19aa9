#include "shell_folders.h"

#include <shlobj.h>

#include "com.h"
#include "paths.h"

HRESULT GetSpecialFolderPath(int csidl, char* path) {
  ShellItemList list;
  HRESULT hr = SHGetSpecialFolderLocation(nullptr, csidl, list.Receive());
  if (FAILED(hr)) return hr;
  return SHGetPathFromIDListA(list.Get(), path) ? S_OK : E_FAIL;
}

bool IsShellFolder(const char* folder) {
  static const int kFolders[] = {
      CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS,         CSIDL_STARTMENU,        CSIDL_STARTUP,
      CSIDL_PERSONAL,         CSIDL_APPDATA,          CSIDL_LOCAL_APPDATA,    CSIDL_PROFILE,
      CSIDL_FAVORITES,        CSIDL_SENDTO,           CSIDL_TEMPLATES,        CSIDL_MYMUSIC,
      CSIDL_MYPICTURES,       CSIDL_MYVIDEO,          CSIDL_PROGRAM_FILES,    CSIDL_PROGRAM_FILES_COMMON,
      CSIDL_WINDOWS,          CSIDL_SYSTEM,           CSIDL_FONTS,            CSIDL_COMMON_PROGRAMS,
      CSIDL_COMMON_STARTMENU, CSIDL_COMMON_STARTUP,   CSIDL_COMMON_DESKTOPDIRECTORY,
      CSIDL_COMMON_APPDATA,   CSIDL_COMMON_DOCUMENTS,
  };
  if (IsRootPath(folder)) return true;
  for (int csidl : kFolders) {
    char path[MAX_PATH], start[MAX_PATH];
    if (GetSpecialFolderPath(csidl, path) == S_OK && path[0] && FindOnPath(path, folder, start)) return true;
  }
  return false;
}
