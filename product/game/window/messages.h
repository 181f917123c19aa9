// Message boxes over the game's window, in the game's words.
#ifndef MURKLE_WINDOW_MESSAGES_H
#define MURKLE_WINDOW_MESSAGES_H

#include "app.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "formats.h"
#include "resource.h"

// Puts a dialog or box over the middle of its owner, the game's window, kept
// inside the screen's work area; the system would centre it on the screen.
void CenterOverOwner(HWND dialog);

// A message box over the window (or alone, before it exists), captioned with
// the game's name; the button pressed.
int ShowMessage(const App& app, const char* text, UINT type);

// Text Id of the string table with args, then the system's words for error.
template <UINT Id, typename... Args>
void ShowSystemError(const App& app, DWORD error, Args... args) {
  char what[MAX_PATH + 160], reason[256] = "", text[768];
  FormatLoaded<kGameFormats, Id>(app.instance, what, sizeof what, args...);
  if (!SystemErrorText(error, reason, sizeof reason))
    FormatLoaded<kGameFormats, IDS_ERROR_NUMBER>(app.instance, reason, sizeof reason,
                                                 static_cast<unsigned long>(error));
  FormatText(text, sizeof text, "%s\n\n%s", what, reason);
  ShowMessage(app, text, MB_OK | MB_ICONEXCLAMATION);
}

#endif
