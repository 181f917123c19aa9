// Existence test and creation of directory paths.
#ifndef MURKLE_PLATFORM_MAKEPATH_H
#define MURKLE_PLATFORM_MAKEPATH_H

#include <cstddef>

// The longest directory part (everything after the drive, trailing backslash
// included) that MakePath takes; a longer one is refused.
constexpr size_t kMaxDirectoryPart = 255;

// 1 when a file or directory of that name exists (0 for a null path). With
// found_name (a MAX_PATH buffer), receives the entry's name as the file system
// stores it.
int PathExists(const char* path, char* found_name);

// Creates every missing directory of path, from the top down. first_created (a
// MAX_PATH buffer, or null) receives the first directory that had to be created,
// without a trailing backslash, and is left alone when nothing was created.
// Throws EPlik with the system's error code and no message.
void MakePath(const char* path, char* first_created);

// Removes dir and its ancestors up to top (dir itself or an ancestor, spelt
// as dir spells it), each only while it is empty. None goes that is a drive
// root or one of the shell's folders, or that is keep_a or keep_b (the folders
// an installation fills) or one of their ancestors, however spelt.
void RemoveEmptyFolders(const char* dir, const char* top, const char* keep_a, const char* keep_b);

#endif
