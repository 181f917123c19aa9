#include "system_dlls.h"

#include "text.h"

namespace {

// Not in the headers of every SDK, and not on every system.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
using InitCommonControlsFn = void(WINAPI*)();
using PlaySoundFn = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);

}  // namespace

void RestrictDllSearch() {
  // Windows 8, and Vista/7 with update KB2533623: only the system directory
  // for every LoadLibrary from now on.
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (auto set_default = ModuleFunction<SetDefaultDllDirectoriesFn>(kernel32, "SetDefaultDllDirectories")) {
    if (set_default(kSearchSystem32)) return;
  }
  // XP SP1 and later: at least not the current directory.
  if (auto set_directory = ModuleFunction<SetDllDirectoryFn>(kernel32, "SetDllDirectoryA")) set_directory("");
}

HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, sizeof path);
  if (length == 0 || length >= sizeof path) return nullptr;
  if (!FormatText(path + length, sizeof path - length, "\\%s", name)) return nullptr;
  // A full path is never searched for; with it the DLL's own dependencies are
  // looked for next to it, in the system directory.
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void InitCommonControlsFromSystem() {
  // Kept loaded for the life of the process: the dialogs use its classes.
  HMODULE comctl32 = LoadSystemLibrary("comctl32.dll");
  if (auto init = ModuleFunction<InitCommonControlsFn>(comctl32, MAKEINTRESOURCEA(17))) init();
}

BOOL PlaySystemSound(const char* sound, DWORD flags) {
  // Loaded on first use and kept: the sounds play asynchronously. The
  // dialogs' one thread is the only caller.
  static HMODULE winmm;
  if (!winmm) winmm = LoadSystemLibrary("winmm.dll");
  auto play = ModuleFunction<PlaySoundFn>(winmm, "PlaySoundA");
  return play ? play(sound, nullptr, flags) : FALSE;
}
