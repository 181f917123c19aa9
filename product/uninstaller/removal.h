// Carrying out an UninstallPlan: files, links, folders and registry keys, each
// outcome noted in the report. Nothing here touches a window.
#ifndef MURKLE_UNINSTALLER_REMOVAL_H
#define MURKLE_UNINSTALLER_REMOVAL_H

#include "common/uninstall_format.h"
#include "uninstall_plan.h"

// Where the plan's relative names point besides its own folders.
struct RemovalPlaces {
  const char* desktop_dir;       // the user's desktop folder; null or empty: none
  const char* uninstaller_name;  // the uninstaller's file name in file_dir
  bool uninstaller_running;      // the uninstaller runs from that very file
};

// True when anything the plan names still exists, apart from uninst.ini and the
// uninstaller itself (which exist whenever the uninstaller can run at all).
bool AnythingInstalled(const UninstallPlan& plan, const RemovalPlaces& places);

// Removes what the plan names. Links, the desktop link and files first; then,
// only when none of them had to be left and the registry entries can go (so
// that a second run can finish the job), the registry keys, then the
// uninstaller and uninst.ini; last the folders the installer created, each
// only when empty.
void RemoveInstallation(const UninstallPlan& plan, const RemovalPlaces& places, UninstallReport* report);

#endif
