// Shell and disk services. None of them throws or shows anything of its own:
// each reports failure through its result.
#ifndef MURKLE_PLATFORM_SHELL_H
#define MURKLE_PLATFORM_SHELL_H

#include <windows.h>

#include <cstdint>

// Free bytes on the drive of path (which must start with a drive letter),
// saturated at 0xFFFFFFFF; 0 without a drive or when it cannot be queried.
uint32_t GetFreeBytes(const char* path);

// File-system path of a shell special folder (CSIDL_*) into a MAX_PATH buffer.
// S_OK, the shell's failure HRESULT, or E_FAIL for a folder without a path.
HRESULT GetSpecialFolderPath(int csidl, char* path);

// The shell's folder picker below special folder root_csidl. 1 with the chosen
// folder's path in path (a MAX_PATH buffer), 0 otherwise with path untouched.
int BrowseForFolder(HWND owner, const char* title, int root_csidl, char* path);

// Writes a shell link at link_file pointing at target, with description.
// Returns the HRESULT of the last step reached; negative means failure.
HRESULT CreateShortcut(const char* target, const char* link_file, const char* description);

// The target path of the shell link at link_file, as the link holds it, into a
// MAX_PATH buffer: S_OK; S_FALSE (and an empty target) for a link without a
// path; a failing HRESULT, with an empty target, for a file that is no link.
// COM must be initialised on the calling thread.
HRESULT ReadShortcutTarget(const char* link_file, char* target);

#endif
