// The path rule that the installer and the uninstaller share: a folder the
// installer installs into is one that the uninstaller will accept, and the
// uninstaller removes only what can mean nothing but its own files.
#ifndef MURKLE_COMMON_PATHS_H
#define MURKLE_COMMON_PATHS_H

// A name that can only mean a file directly inside its folder: at most 63
// characters, not "." or "..", no separator, colon, wildcard or character that
// no file name may hold, not ending in a dot or blank (which the system would
// strip, making it name something else), and no device name (CON, COM1, ...).
bool IsPlainFileName(const char* name);
// "X:", "X:\dir\..." or "\\server\share\...", each folder of it held to the
// same rule as a plain file name (length aside). A trailing backslash is allowed.
bool IsAbsolutePlainPath(const char* path);
// The same, on a drive ("X:" alone too): where the installer installs.
bool IsPlainDrivePath(const char* path);
// "X:", "X:\", "\\server\share" or "\\server\share\".
bool IsRootPath(const char* path);
// Whether path lies inside folder (a folder without its trailing backslash), by
// name and in any case: path starts with folder and a backslash, so that
// "C:\Pro" is never taken for a folder of "C:\Program Files".
bool IsInsideFolder(const char* path, const char* folder);
// True when both name the same existing folder, however spelt (case, short
// names); a trailing backslash does not matter.
bool SameDirectory(const char* a, const char* b);
// True when both name the same existing file or folder on disk (the volume
// and the file index), however spelt: a substituted drive letter, a short
// name, letters in another case.
bool SameFile(const char* a, const char* b);
// The start of dir (a folder, with or without its trailing backslash) that
// is the folder on disk named by folder, however either is spelt: dir itself
// or one of its ancestors, as dir spells it, without a trailing backslash
// (a root keeps its own). False when folder is none of them.
bool FindOnPath(const char* dir, const char* folder, char (&start)[260]);  // MAX_PATH

#endif
