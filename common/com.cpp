#include "com.h"

void ShellItemList::Reset() {
  if (!list_) return;
  if (malloc_) {
    malloc_->Free(list_);
  } else {
    ComPtr<IMalloc> shell;
    if (SUCCEEDED(SHGetMalloc(shell.Receive()))) shell->Free(list_);
  }
  list_ = nullptr;
}
