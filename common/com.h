// Owners for COM interfaces and shell item lists: released on every path.
#ifndef MURKLE_COMMON_COM_H
#define MURKLE_COMMON_COM_H

#include <windows.h>
#include <shlobj.h>

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For calls that hand out an interface: releases what was held first.
  T** Receive() {
    Reset();
    return &p_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  void Reset() {
    if (p_) {
      p_->Release();
      p_ = nullptr;
    }
  }

 private:
  T* p_ = nullptr;
};

// COM on this thread for the scope's lifetime, left as it was found on every
// way out, exceptions included.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() { Leave(); }

  // Lets COM go now, for a way out that never reaches the destructor.
  void Leave() {
    if (ok_) CoUninitialize();
    ok_ = false;
  }

 private:
  bool ok_;
};

// An item identifier list allocated by the shell, freed with the shell's own
// allocator (on old systems it is not the COM task allocator).
class ShellItemList {
 public:
  ShellItemList() = default;
  explicit ShellItemList(IMalloc* malloc) : malloc_(malloc) {}
  ShellItemList(const ShellItemList&) = delete;
  ShellItemList& operator=(const ShellItemList&) = delete;
  ~ShellItemList() { Reset(); }

  LPITEMIDLIST Get() const { return list_; }
  LPITEMIDLIST* Receive() {
    Reset();
    return &list_;
  }
  void Reset();

 private:
  IMalloc* malloc_ = nullptr;  // borrowed; null means "ask the shell when freeing"
  LPITEMIDLIST list_ = nullptr;
};

#endif
