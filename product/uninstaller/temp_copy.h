// A running program cannot delete its own file. So the installed uninstaller
// starts a copy of itself from a private temporary folder and ends at once; the
// copy waits for it and does the work, deleting the installed uninstaller
// among the rest.
//
// The copy's own file is opened by the original with FILE_FLAG_DELETE_ON_CLOSE
// and the handle is inherited, so the system deletes the file when the copy
// ends. The folder cannot go the same way: the file is deleted only after the
// copy's image is unmapped, later than its handles are closed. So, once
// loaded, the copy renames its file through that handle into the temporary
// folder itself (where the delete-on-close still applies) and removes its
// private folder. Where the system refuses that, both are left for deletion at
// the next restart.
#ifndef MURKLE_UNINSTALLER_TEMP_COPY_H
#define MURKLE_UNINSTALLER_TEMP_COPY_H

#include <windows.h>

// The switch that tells a copy what to carry on with.
constexpr char kContinueSwitch[] = "/continue";

struct ContinueArgs {
  HANDLE original;               // the installed uninstaller's process, to wait for
  HANDLE own_file;               // the copy's own file, delete-on-close
  char original_path[MAX_PATH];  // the installed uninstaller: uninst.ini is next to it
};

// Starts the copy. True when it runs: the caller must then end without
// touching the installation. False when no copy could be made or started;
// nothing of one is left behind then.
bool StartTemporaryCopy(const char* own_path);

// Run by the copy first: moves its file out of its private folder and removes
// the folder. False when either was refused.
bool LeavePrivateFolder(HANDLE own_file);

// Run by the copy last when LeavePrivateFolder failed: its file and private
// folder are deleted at the next restart.
void ScheduleCopyRemoval();

// Reads a copy's arguments: /continue <process> <file> "<original path>".
// False when args are not such arguments (an ordinary start).
bool ParseContinueArgs(const char* args, ContinueArgs* out);

#endif
