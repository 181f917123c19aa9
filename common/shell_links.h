// Shell links, which the installer makes and the uninstaller reads back. None
// of these throws or shows anything of its own: each reports failure through
// its result.
#ifndef MURKLE_COMMON_SHELL_LINKS_H
#define MURKLE_COMMON_SHELL_LINKS_H

#include <windows.h>

// Writes a shell link at link_file pointing at target, with description.
// Returns the HRESULT of the last step reached; negative means failure.
HRESULT CreateShortcut(const char* target, const char* link_file, const char* description);

// The target path of the shell link at link_file, as the link holds it, into a
// MAX_PATH buffer: S_OK; S_FALSE (and an empty target) for a link without a
// path; a failing HRESULT, with an empty target, for a file that is no link.
// COM must be initialised on the calling thread.
HRESULT ReadShortcutTarget(const char* link_file, char* target);

// Whether the shell link at link_file leads to a file directly inside folder.
// The link is read with the shell's own link object: its name proves nothing.
bool LinkLeadsInto(const char* link_file, const char* folder);

#endif
