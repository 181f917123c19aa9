#include "shell_links.h"

#include <shlobj.h>

#include "chars.h"
#include "com.h"
#include "paths.h"

namespace {

// The shell link's class and the two interfaces used here. Defined here
// rather than taken from the uuid library, whose one object carries every
// identifier the system has.
constexpr GUID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kShellLinkInterface = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPersistFileInterface = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace

HRESULT CreateShortcut(const char* target, const char* link_file, const char* description) {
  ComPtr<IShellLinkA> link;
  HRESULT hr = CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                                link.ReceiveVoid());
  if (FAILED(hr)) return hr;
  link->SetPath(target);
  link->SetDescription(description);

  ComPtr<IPersistFile> file;
  hr = link->QueryInterface(kPersistFileInterface, file.ReceiveVoid());
  if (FAILED(hr)) return hr;

  // A name that does not fit the wide buffer is refused: the conversion would
  // leave it unterminated, and a cut name would be another file.
  WCHAR wide_name[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, link_file, -1, wide_name, MAX_PATH)) {
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }
  // The interfaces are released in reverse order of declaration: the file first.
  return file->Save(wide_name, TRUE);
}

HRESULT ReadShortcutTarget(const char* link_file, char* target) {
  target[0] = '\0';
  ComPtr<IShellLinkA> link;
  HRESULT hr = CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                                link.ReceiveVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IPersistFile> file;
  hr = link->QueryInterface(kPersistFileInterface, file.ReceiveVoid());
  if (FAILED(hr)) return hr;
  WCHAR wide_name[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, link_file, -1, wide_name, MAX_PATH)) return E_INVALIDARG;
  hr = file->Load(wide_name, STGM_READ);
  if (FAILED(hr)) return hr;
  // S_FALSE: a link without a path (to a virtual object).
  hr = link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  if (hr != S_OK) target[0] = '\0';
  return FAILED(hr) ? hr : (target[0] ? S_OK : S_FALSE);
}

bool LinkLeadsInto(const char* link_file, const char* folder) {
  char target[MAX_PATH];
  if (ReadShortcutTarget(link_file, target) != S_OK) return false;
  char* slash = FindLastChar(target, '\\');
  if (!slash || !IsPlainFileName(slash + 1)) return false;
  slash[1] = '\0';
  return SameDirectory(target, folder);
}
