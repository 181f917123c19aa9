// A kernel handle, closed on every way out. Both "no handle" values of the
// system (null, and INVALID_HANDLE_VALUE from CreateFile) are held as null.
#ifndef MURKLE_COMMON_HANDLE_H
#define MURKLE_COMMON_HANDLE_H

#include <windows.h>

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }

  HANDLE Get() const { return handle_; }
  // For calls that hand out a new handle through a pointer.
  HANDLE* Receive() {
    Close();
    return &handle_;
  }
  explicit operator bool() const { return handle_ != nullptr; }
  // Closes now, for callers that must know whether the close succeeded; true
  // when nothing was open.
  bool Close() {
    HANDLE held = handle_;
    handle_ = nullptr;
    return !held || CloseHandle(held) != 0;
  }

 private:
  HANDLE handle_;
};

#endif
