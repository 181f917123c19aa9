/* A DLL planted beside a program under the name of a system DLL. Loading it
   leaves a marker file next to it, which is all it does:
   the exports only satisfy programs that import the names it stands in for. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    /* "<its path>.<program>.loaded": which program loaded it matters, since
       the system's own processes may start in the same folder. */
    char path[MAX_PATH * 2 + 16], program[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    DWORD program_length = GetModuleFileNameA(NULL, program, MAX_PATH);
    if (length > 0 && length < MAX_PATH && program_length > 0 && program_length < MAX_PATH) {
      const char* base = program;
      for (const char* p = program; *p; ++p)
        if (*p == '\\' || *p == '/') base = p + 1;
      lstrcpyA(path + length, ".");
      lstrcatA(path, base);
      lstrcatA(path, ".loaded");
      HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
  }
  return TRUE;
}

void WINAPI PlantedInitCommonControls(void) {}

BOOL WINAPI PlantedPlaySoundA(LPCSTR sound, HMODULE module, DWORD flags) {
  (void)sound;
  (void)module;
  (void)flags;
  return FALSE;
}
