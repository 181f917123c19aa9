#include "shell.h"

#include <shlobj.h>

#include "com.h"
#include "text.h"

namespace {

// The shell link's class and the two interfaces used here. Defined here
// rather than taken from the uuid library, whose one object carries every
// identifier the system has.
constexpr GUID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kShellLinkInterface = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPersistFileInterface = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A block from the shell's allocator, given back to the same allocator.
class ShellBuffer {
 public:
  ShellBuffer(IMalloc* allocator, SIZE_T size)
      : allocator_(allocator), data_(static_cast<char*>(allocator->Alloc(size))) {}
  ShellBuffer(const ShellBuffer&) = delete;
  ShellBuffer& operator=(const ShellBuffer&) = delete;
  ~ShellBuffer() {
    if (data_) allocator_->Free(data_);
  }
  char* Get() const { return data_; }

 private:
  IMalloc* allocator_;  // borrowed
  char* data_;
};

}  // namespace

uint32_t GetFreeBytes(const char* path) {
  if (!path || !path[0] || path[1] != ':') return 0;
  const char root[] = {path[0], ':', '\\', '\0'};
  DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectors_per_cluster, &bytes_per_sector, &free_clusters, &total_clusters))
    return 0;
  // In doubles the product of three 32-bit factors cannot overflow, and a
  // whole number below 2^32 converts back exactly.
  double free_bytes = static_cast<double>(sectors_per_cluster) * static_cast<double>(bytes_per_sector) *
                      static_cast<double>(free_clusters);
  if (free_bytes > 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(free_bytes);
}

HRESULT GetSpecialFolderPath(int csidl, char* path) {
  ShellItemList list;
  HRESULT hr = SHGetSpecialFolderLocation(nullptr, csidl, list.Receive());
  if (FAILED(hr)) return hr;
  return SHGetPathFromIDListA(list.Get(), path) ? S_OK : E_FAIL;
}

int BrowseForFolder(HWND owner, const char* title, int root_csidl, char* path) {
  ComPtr<IMalloc> allocator;
  if (FAILED(SHGetMalloc(allocator.Receive()))) return 0;
  ShellBuffer display_name(allocator.Get(), MAX_PATH);
  if (!display_name.Get()) return 0;
  ShellItemList root(allocator.Get());
  if (FAILED(SHGetSpecialFolderLocation(owner, root_csidl, root.Receive()))) return 0;

  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = root.Get();
  info.pszDisplayName = display_name.Get();
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  ShellItemList chosen(allocator.Get());
  *chosen.Receive() = SHBrowseForFolderA(&info);

  // The path goes through the shell's buffer, so that a virtual folder leaves
  // the caller's buffer as it was.
  int result = 0;
  if (chosen.Get() && SHGetPathFromIDListA(chosen.Get(), display_name.Get())) {
    CopyText(path, MAX_PATH, display_name.Get());
    result = 1;
  }
  // The chosen list, the root and the buffer go back to the allocator, in that order.
  return result;
}

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
