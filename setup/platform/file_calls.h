// The system calls of the file object whose failures cannot be made to happen
// on demand: a handle that will not close, an end of file that cannot be set,
// a message box that cannot be shown. They default to the real calls; only
// tests put other functions here. Private to the file layer and its tests.
#ifndef MURKLE_PLATFORM_FILE_CALLS_H
#define MURKLE_PLATFORM_FILE_CALLS_H

#include <windows.h>

struct FileCalls {
  BOOL(WINAPI* close_handle)(HANDLE);
  BOOL(WINAPI* set_end_of_file)(HANDLE);
  int(WINAPI* message_box)(HWND, LPCSTR, LPCSTR, UINT);
};

extern FileCalls g_fileCalls;

#endif
