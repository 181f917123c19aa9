// Murkle's window: loads the data from next to the executable and the player's
// score table from their profile, turns keys, clicks and menu commands into
// moves, and draws the marsh by lantern light (the parts are in app.h).
#include <windows.h>
#include <mmsystem.h>

#include "app.h"
#include "drawing.h"
#include "common/string_formats.h"
#include "layout.h"
#include "resource.h"

namespace {

bool OnCreate(App& app, HWND window) {
  app.window = window;
  HDC dc = GetDC(window);
  const bool made = app.canvas.Create(dc, layout::kClientWidth, layout::kClientHeight);
  ReleaseDC(window, dc);
  if (made) SetTimer(window, kAnimationTimer, kAnimationMs, nullptr);
  return made;
}

void OnTimer(App& app, WPARAM timer) {
  if (timer == kAnimationTimer) {
    ++app.play.tick;
    if (app.play.screen == Screen::kPlaying && !app.play.help) InvalidateRect(app.window, nullptr, FALSE);
  } else if (timer == kWalkTimer) {
    WalkStep(app);
  } else if (timer == kAmbientTimer) {
    PlayAmbient(app);
  }
}

// A menu command; false for one that is not the game's.
bool OnCommand(App& app, WORD command) {
  switch (command) {
    case IDM_NEW_GAME:
      if (MayLeaveGame(app, IDS_ASK_NEW_GAME)) NewGame(app);
      return true;
    case IDM_HIGH_SCORES: ShowScores(app); return true;
    case IDM_HOW_TO_PLAY: ToggleHelp(app); return true;
    case IDM_SOUND:
      // A greyed item sends nothing, but an accelerator might one day.
      if (!app.sound.possible) return true;
      app.sound.on = !app.sound.on;
      ShowSoundState(app);
      PlayAmbient(app);
      return true;
    case IDM_EXIT:
      if (MayLeaveGame(app, IDS_ASK_CLOSE)) DestroyWindow(app.window);
      return true;
  }
  return false;
}

void OnDestroy(App& app) {
  KillTimer(app.window, kAnimationTimer);
  StopWalking(app);
  KillTimer(app.window, kAmbientTimer);
  PlaySoundA(nullptr, nullptr, 0);
  PostQuitMessage(0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // The game's state comes with the window's creation and stays with it.
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams));
  auto* held = reinterpret_cast<App*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!held) return DefWindowProcA(window, message, wparam, lparam);
  App& app = *held;
  switch (message) {
    case WM_CREATE:
      return OnCreate(app, window) ? 0 : -1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      Paint(app, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // Paint covers everything
    case WM_KEYDOWN:
      OnKey(app, wparam);
      return 0;
    case WM_LBUTTONDOWN:
      Click(app, short(LOWORD(lparam)), short(HIWORD(lparam)));
      return 0;
    case WM_TIMER:
      OnTimer(app, wparam);
      return 0;
    case kGameEnded:
      RecordScore(app);
      return 0;
    case WM_COMMAND:
      if (OnCommand(app, LOWORD(wparam))) return 0;
      break;
    case WM_CLOSE:
      if (MayLeaveGame(app, IDS_ASK_CLOSE)) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      OnDestroy(app);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  // The whole game's state; the window and the dialogs are handed it.
  App app;
  app.instance = instance;
  if (!LoadData(app)) return 1;
  LoadTable(app);

  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MURKLE));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MENU);
  wc.lpszClassName = layout::kWindowClass;
  if (!RegisterClassA(&wc)) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, layout::kClientWidth, layout::kClientHeight};
  AdjustWindowRect(&frame, style, TRUE);
  char caption[32];
  LoadText(instance, IDS_GAME_NAME, caption, sizeof caption);
  HWND window = CreateWindowA(layout::kWindowClass, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, &app);
  if (!window) return 1;
  CheckSoundDevice(app);
  ShowWindow(window, show);
  UpdateWindow(window);

  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorA(window, accelerators, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return int(msg.wParam);
}
