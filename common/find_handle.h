// A directory search, closed on every way out.
#ifndef MURKLE_COMMON_FIND_HANDLE_H
#define MURKLE_COMMON_FIND_HANDLE_H

#include <windows.h>

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (*this) FindClose(handle_);
  }
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

#endif
