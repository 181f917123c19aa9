// The shell's own folders (Programs, Desktop, Application Data, ...), which
// the installer fills and the game and the uninstaller look into.
#ifndef MURKLE_COMMON_SHELL_FOLDERS_H
#define MURKLE_COMMON_SHELL_FOLDERS_H

#include <windows.h>

// File-system path of one of the shell's folders (CSIDL_*) into a MAX_PATH buffer.
// S_OK, the shell's failure HRESULT, or E_FAIL for a folder without a path.
// Throws and shows nothing.
HRESULT GetSpecialFolderPath(int csidl, char* path);

#endif
