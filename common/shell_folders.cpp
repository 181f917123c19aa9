#include "shell_folders.h"

#include <shlobj.h>

#include "com.h"

HRESULT GetSpecialFolderPath(int csidl, char* path) {
  ShellItemList list;
  HRESULT hr = SHGetSpecialFolderLocation(nullptr, csidl, list.Receive());
  if (FAILED(hr)) return hr;
  return SHGetPathFromIDListA(list.Get(), path) ? S_OK : E_FAIL;
}
