// Message boxes over the game's window.
#include "messages.h"

void CenterOverOwner(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT over, own, area;
  if (!owner || !GetWindowRect(owner, &over) || !GetWindowRect(dialog, &own)) return;
  const int width = own.right - own.left, height = own.bottom - own.top;
  int x = over.left + (over.right - over.left - width) / 2, y = over.top + (over.bottom - over.top - height) / 2;
  if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
    if (x + width > area.right) x = area.right - width;
    if (y + height > area.bottom) y = area.bottom - height;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
  }
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// MessageBox places its box itself; a hook on this thread moves it once, when
// it is first activated, and then lets go. The hook's handle is needed inside
// its own procedure, which gets nothing else of ours.
HHOOK box_hook = nullptr;

LRESULT CALLBACK PlaceBox(int code, WPARAM wparam, LPARAM lparam) {
  const HHOOK hook = box_hook;
  if (code == HCBT_ACTIVATE && hook) {
    box_hook = nullptr;
    CenterOverOwner(reinterpret_cast<HWND>(wparam));
    UnhookWindowsHookEx(hook);
  }
  return CallNextHookEx(hook, code, wparam, lparam);
}

}  // namespace

int ShowMessage(const App& app, const char* text, UINT type) {
  char caption[32];
  LoadText(app.instance, IDS_GAME_NAME, caption, sizeof caption);
  if (app.window && !box_hook) box_hook = SetWindowsHookExA(WH_CBT, PlaceBox, nullptr, GetCurrentThreadId());
  const int pressed = MessageBoxA(app.window, text, caption, type);
  if (box_hook) {
    UnhookWindowsHookEx(box_hook);
    box_hook = nullptr;
  }
  return pressed;
}
