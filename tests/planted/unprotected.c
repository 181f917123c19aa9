/* The control for the planted-DLL test: a program that imports comctl32 and
   winmm the ordinary way, which the loader looks for beside the program first. */
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  InitCommonControls();
  PlaySoundA(NULL, NULL, SND_PURGE);
  return 0;
}
