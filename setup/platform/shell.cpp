#include "shell.h"

#include <shlobj.h>

#include "common/com.h"
#include "common/text.h"

namespace {

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
