// Message boxes over the game's window.
#include "messages.h"

void ShowMessage(const App& app, const char* text, UINT type) {
  char caption[32];
  LoadText(app.instance, IDS_GAME_NAME, caption, sizeof caption);
  MessageBoxA(app.window, text, caption, type);
}
