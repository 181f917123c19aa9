// The uninstaller reads its record and names every path in the system's ANSI
// code page, as the installer wrote them. Once the system's language for
// programs that do not use Unicode has changed, those bytes name other folders
// or none: the uninstaller then removes nothing, and these tell it why.
#ifndef MURKLE_UNINSTALLER_CODE_PAGE_H
#define MURKLE_UNINSTALLER_CODE_PAGE_H

#include <windows.h>

#include "uninstall_plan.h"

// Whether own_path, this program's file as GetModuleFileNameA gives it, is
// exactly the file's name; true also where the system cannot say (Windows 95
// has no Unicode names). The code page may lack a character of the name and
// give a look-alike, which can name another installation's folder. On false,
// dir receives the program's folder in Unicode, ending with a backslash.
bool OwnPathIsExact(const char* own_path, wchar_t (&dir)[MAX_PATH]);

// Whether the uninst.ini in dir (a folder in Unicode, ending with a backslash)
// names dir as its file_dir only when its bytes are read in a code page other
// than the system's: it was written before the system's code page changed.
bool RecordInOtherCodePage(const wchar_t* dir);

// Whether the names that Windows keeps in Unicode for the installation (the
// uninstall entry's command, the targets of the links the plan names) lead to
// a folder other than own_dir, the uninstaller's folder, that the record's
// file_dir names when its bytes are read in another national code page. The
// record is then another installation's, read in the wrong code page, and
// that this folder's name is among the readings of its bytes is chance.
// desktop_dir: the desktop folder, empty when unknown.
bool RecordNamesAnotherFolder(const UninstallPlan& plan, const char* own_dir, const char* desktop_dir);

#endif
