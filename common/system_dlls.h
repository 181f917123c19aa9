// DLLs from the system directory only. An installer is usually started from a
// downloads folder, where anyone's web page can leave a DLL named like a system
// one; nothing of ours may be loaded from there.
#ifndef MURKLE_COMMON_SYSTEM_DLLS_H
#define MURKLE_COMMON_SYSTEM_DLLS_H

#include <windows.h>

#include <cstring>

// Takes the program's own directory and the current directory out of the DLL
// search for every later load, where the system can do so. Call first thing.
void RestrictDllSearch();

// A function of a DLL, null when the DLL or the function is missing (older
// systems lack some), through a typed pointer so that no cast is spread over
// the callers.
template <typename Fn>
Fn ModuleFunction(HMODULE module, const char* name) {
  Fn typed = nullptr;
  if (!module) return typed;
  FARPROC found = GetProcAddress(module, name);
  static_assert(sizeof typed == sizeof found, "function pointers of one size");
  memcpy(&typed, &found, sizeof typed);
  return typed;
}

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
