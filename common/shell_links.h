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

// The target of the shell link at link_file in Unicode, as Windows keeps it,
// into a MAX_PATH buffer: S_OK, or a failing HRESULT with an empty target.
// Where the system has no Unicode link object (Windows 95) it fails.
HRESULT ReadShortcutTargetW(const wchar_t* link_file, wchar_t* target);

// Where the shell link at link_file leads: to a file directly inside folder,
// elsewhere (or it is no link at all), or unknown because the file cannot be
// read (held open without read sharing, no access). The link is read with the
// shell's own link object: its name proves nothing.
enum class LinkLead { kInto, kElsewhere, kUnreadable };
LinkLead WhereLinkLeads(const char* link_file, const char* folder);

// Whether the shell link at link_file leads to a file directly inside folder;
// false also when it cannot be read.
bool LinkLeadsInto(const char* link_file, const char* folder);

#endif
