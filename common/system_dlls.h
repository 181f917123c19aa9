// DLLs from the system directory only. An installer is usually started from a
// downloads folder, where anyone's web page can leave a DLL named like a system
// one; nothing of ours may be loaded from there.
#ifndef MURKLE_PLATFORM_SYSTEM_DLLS_H
#define MURKLE_PLATFORM_SYSTEM_DLLS_H

#include <windows.h>

// Takes the program's own directory and the current directory out of the DLL
// search for every later load, where the system can do so. Call first thing.
void RestrictDllSearch();

// Loads name from the system directory by its full path; null on failure.
HMODULE LoadSystemLibrary(const char* name);

// comctl32's InitCommonControls (ordinal 17) and winmm's PlaySoundA, each
// from its DLL in the system directory. Without the DLL, nothing happens
// (PlaySound then reports FALSE).
void InitCommonControlsFromSystem();
BOOL PlaySystemSound(const char* sound, DWORD flags);
// A system sound by its alias, never waiting for the sound service.
constexpr DWORD kSystemSoundFlags = SND_ALIAS | SND_NOWAIT | SND_ASYNC;

#endif
