// Shell and disk services. None of them throws or shows anything of its own:
// each reports failure through its result.
#ifndef MURKLE_PLATFORM_SHELL_H
#define MURKLE_PLATFORM_SHELL_H

#include <windows.h>

#include <cstdint>

// File-system path of a shell special folder (CSIDL_*) into a MAX_PATH buffer.
// S_OK, the shell's failure HRESULT, or E_FAIL for a folder without a path.
HRESULT GetSpecialFolderPath(int csidl, char* path);

#endif
