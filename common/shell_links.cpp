#include "shell_links.h"

#include <shlobj.h>

#include "chars.h"
#include "com.h"
#include "handle.h"
#include "paths.h"
#include "system_dlls.h"

namespace {

// The shell link's class and the two interfaces used here. Defined here
// rather than taken from the uuid library, whose one object carries every
// identifier the system has.
constexpr GUID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kShellLinkInterface = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kShellLinkWideInterface = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPersistFileInterface = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The shell's link object, of the interface iid, loaded from the link file
// named in Unicode.
template <typename Link>
HRESULT LoadLink(const GUID& iid, const wchar_t* link_file, ComPtr<Link>* link) {
  HRESULT hr = CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, iid, link->ReceiveVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IPersistFile> file;
  hr = (*link)->QueryInterface(kPersistFileInterface, file.ReceiveVoid());
  return FAILED(hr) ? hr : file->Load(link_file, STGM_READ);
}

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
  WCHAR wide_name[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, link_file, -1, wide_name, MAX_PATH)) return E_INVALIDARG;
  ComPtr<IShellLinkA> link;
  HRESULT hr = LoadLink(kShellLinkInterface, wide_name, &link);
  if (FAILED(hr)) return hr;
  // S_FALSE: a link without a path (to a virtual object).
  hr = link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  if (hr != S_OK) target[0] = '\0';
  return FAILED(hr) ? hr : (target[0] ? S_OK : S_FALSE);
}

HRESULT ReadShortcutTargetW(const wchar_t* link_file, wchar_t* target) {
  target[0] = L'\0';
  ComPtr<IShellLinkW> link;
  HRESULT hr = LoadLink(kShellLinkWideInterface, link_file, &link);
  if (FAILED(hr)) return hr;
  // The item list first: it keeps each name in Unicode, where the link's own
  // copy of the path may hold it only in the code page it was made under.
  // Looked up at run time: Windows 95 lacks it.
  using PathFromListFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);
  auto path_from_list = ModuleFunction<PathFromListFn>(GetModuleHandleA("shell32.dll"), "SHGetPathFromIDListW");
  ITEMIDLIST* list = nullptr;
  if (path_from_list && link->GetIDList(&list) == S_OK && list) {
    BOOL found = path_from_list(list, target);
    CoTaskMemFree(list);
    if (found && target[0]) return S_OK;
  }
  hr = link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  if (hr != S_OK || !target[0]) {
    target[0] = L'\0';
    return E_FAIL;
  }
  target[MAX_PATH - 1] = L'\0';
  return S_OK;
}

LinkLead WhereLinkLeads(const char* link_file, const char* folder) {
  // The link object says no more than "failed" for a file it cannot open; a
  // link held open by someone is still a link, and may be ours.
  DWORD attributes = GetFileAttributesA(link_file);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    Handle file(CreateFileA(link_file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
    DWORD code = file ? 0 : GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED)
      return LinkLead::kUnreadable;
  }
  char target[MAX_PATH];
  if (ReadShortcutTarget(link_file, target) != S_OK) return LinkLead::kElsewhere;
  char* slash = FindLastChar(target, '\\');
  if (!slash || !IsPlainFileName(slash + 1)) return LinkLead::kElsewhere;
  slash[1] = '\0';
  return SameDirectory(target, folder) ? LinkLead::kInto : LinkLead::kElsewhere;
}

bool LinkLeadsInto(const char* link_file, const char* folder) {
  return WhereLinkLeads(link_file, folder) == LinkLead::kInto;
}
