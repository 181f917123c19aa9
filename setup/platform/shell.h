// The installer's shell and disk services (links and the shell's folders are
// in common/shell_links.h and common/shell_folders.h). None of them throws or
// shows anything of its own: each reports failure through its result.
#ifndef MURKLE_PLATFORM_SHELL_H
#define MURKLE_PLATFORM_SHELL_H

#include <windows.h>

#include <cstdint>

// Free bytes on the drive of path (which must start with a drive letter),
// saturated at 0xFFFFFFFF; 0 without a drive or when it cannot be queried.
uint32_t GetFreeBytes(const char* path);

// The shell's folder picker below special folder root_csidl. 1 with the chosen
// folder's path in path (a MAX_PATH buffer), 0 otherwise with path untouched.
int BrowseForFolder(HWND owner, const char* title, int root_csidl, char* path);

#endif
