// The installation itself: one call does everything the setup dialog asks for.
#ifndef MURKLE_INSTALL_INSTALL_H
#define MURKLE_INSTALL_INSTALL_H

#include <windows.h>

#include <cstdint>

#include "config.h"

// Size of the buffer that receives RunInstall's failure message.
constexpr int kInstallMessageSize = 128;

// What the failed attempts of one setup session made, for the attempts after
// them: a failed attempt leaves its folders, and a retry that finds them made
// must record them all the same, or the uninstaller leaves them. Per path, the
// first folder made and the folder asked for below it. The session (the setup
// dialog) owns it; a success clears it.
struct InstallAttempts {
  struct Made {
    char top[MAX_PATH];
    char dir[MAX_PATH];
  };
  Made files = {};
  Made group = {};
};

// Installs the payload described by config: files, program group, desktop link,
// registry entries and uninst.ini. Returns 0 on success; otherwise a nonzero
// status, with the string-table message naming the failed step in message
// (kInstallMessageSize bytes). Nothing is undone after a failure. file_dir and
// shortcut_dir get a trailing backslash appended in place. Throws nothing:
// it runs inside the setup dialog's procedure, where no exception may pass.
// Without attempts, as the first attempt of a session.
int32_t RunInstall(SetupConfig& config, char* message) noexcept;
int32_t RunInstall(SetupConfig& config, char* message, InstallAttempts& attempts) noexcept;

#endif
