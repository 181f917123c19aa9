// The shell's special folders (Programs, Desktop, Application Data, ...), which
// the installer fills and the game and the uninstaller look into.
#ifndef MURKLE_COMMON_SPECIAL_FOLDERS_H
#define MURKLE_COMMON_SPECIAL_FOLDERS_H

#include <windows.h>

// File-system path of a shell special folder (CSIDL_*) into a MAX_PATH buffer.
// S_OK, the shell's failure HRESULT, or E_FAIL for a folder without a path.
// Throws and shows nothing.
HRESULT GetSpecialFolderPath(int csidl, char* path);

#endif
