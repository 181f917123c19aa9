#include <windows.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Murkle (preview build).", "Murkle", MB_OK);
  return 0;
}
