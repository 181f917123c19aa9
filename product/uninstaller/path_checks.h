// The uninstaller's checks of the folders and names its record gives, on top
// of the path rule it shares with the installer (common/paths.h).
#ifndef MURKLE_UNINSTALLER_PATH_CHECKS_H
#define MURKLE_UNINSTALLER_PATH_CHECKS_H

#include "report.h"

// How created (a folder without a trailing backslash) relates to dir (ending
// with a backslash): kNone when it is dir itself or one of its ancestors below
// the root, otherwise the reason to refuse it.
Why CheckCreatedDir(const char* created, const char* dir);

// A link file's name: something followed by ".lnk", in any case.
bool IsLinkName(const char* name);

#endif
