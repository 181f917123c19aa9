// The names by which the product's uninstaller finds what the installer left:
// the record in the destination directory and the root of the system's list of
// uninstall entries.
#ifndef MURKLE_INSTALL_UNINSTALL_NAMES_H
#define MURKLE_INSTALL_UNINSTALL_NAMES_H

constexpr char kUninstallIniName[] = "uninst.ini";
constexpr char kUninstallKeyRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

#endif
