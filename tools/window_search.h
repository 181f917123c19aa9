// Finding another process's windows, for the tools that drive the installer
// and the game as a user would.
#ifndef MURKLE_TOOLS_WINDOW_SEARCH_H
#define MURKLE_TOOLS_WINDOW_SEARCH_H

#include <windows.h>

#include <string>

namespace tools {

// The first visible top-level window of process pid that match(window)
// accepts; null when there is none.
template <typename Match>
HWND FindProcessWindow(DWORD pid, Match match) {
  struct Search {
    DWORD pid;
    Match* match;
    HWND found;
    // Named, not a lambda: 32-bit Windows calls it stdcall.
    static BOOL CALLBACK Visit(HWND window, LPARAM param) {
      auto* search = reinterpret_cast<Search*>(param);
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner != search->pid || !IsWindowVisible(window) || !(*search->match)(window)) return TRUE;
      search->found = window;
      return FALSE;
    }
  } search = {pid, &match, nullptr};
  EnumWindows(Search::Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A window's caption (its first 255 bytes).
inline std::string Caption(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace tools

#endif
