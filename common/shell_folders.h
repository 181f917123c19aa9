// The shell's own folders (Programs, Desktop, Application Data, ...), which
// the installer fills and the game and the uninstaller look into.
#ifndef MURKLE_COMMON_SHELL_FOLDERS_H
#define MURKLE_COMMON_SHELL_FOLDERS_H

#include <windows.h>

// File-system path of one of the shell's folders (CSIDL_*) into a MAX_PATH buffer.
// S_OK, the shell's failure HRESULT, or E_FAIL for a folder without a path.
// Throws and shows nothing.
HRESULT GetSpecialFolderPath(int csidl, char* path);

// Whether folder is a drive root, one of the shell's own folders (Desktop,
// Documents, Programs, the Start menu, the profile, Program Files, Windows and
// its system folder, ...) or an ancestor of one, however it is spelt. Neither
// program removes such a folder, whatever a record says: an empty Documents
// folder is still the user's.
bool IsShellFolder(const char* folder);

#endif
