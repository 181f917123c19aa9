// The game's dialogs: the name of a new high score and the high-score table.
#include <windows.h>

#include "app.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "formats.h"
#include "resource.h"

namespace {

struct NameRequest {
  HINSTANCE instance;
  uint32_t score;
  char name[kScoreNameSize];
};

INT_PTR CALLBACK NameDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      auto* request = reinterpret_cast<NameRequest*>(lparam);
      char line[64];
      FormatLoaded<kGameFormats, IDS_YOUR_SCORE>(request->instance, line, sizeof line,
                                                 static_cast<unsigned long>(request->score));
      SetDlgItemTextA(dialog, IDC_NAME_SCORE, line);
      SendDlgItemMessageA(dialog, IDC_NAME, EM_LIMITTEXT, kScoreNameSize - 1, 0);
      SetDlgItemTextA(dialog, IDC_NAME, request->name);
      // The last name, selected, so that typing replaces it.
      HWND edit = GetDlgItem(dialog, IDC_NAME);
      SendMessageA(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* request = reinterpret_cast<NameRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        // The box holds 15 characters, which may take twice as many bytes:
        // the name is cut to its field between two characters.
        char typed[2 * kScoreNameSize];
        GetDlgItemTextA(dialog, IDC_NAME, typed, sizeof typed);
        CopyText(request->name, typed);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

struct ScoresView {
  HINSTANCE instance;
  const ScoreTable* scores;
  int highlight;  // place of a new entry, or -1
};

INT_PTR CALLBACK ScoresDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const ScoresView& view = *reinterpret_cast<const ScoresView*>(lparam);
      // Ten lines of at most 48 characters each.
      char text[kScoreEntries * 48 + 1];
      TextBuilder out(text, sizeof text);
      for (int i = 0; i < kScoreEntries; ++i) {
        const ScoreEntry& e = view.scores->entries[i];
        char line[48];
        FormatLoaded<kGameFormats, IDS_SCORE_LINE>(view.instance, line, sizeof line, i == view.highlight ? ">" : " ",
                                                   i + 1, static_cast<const char*>(e.name),
                                                   static_cast<unsigned long>(e.score),
                                                   static_cast<unsigned long>(e.level));
        out.Append(line);
      }
      SetDlgItemTextA(dialog, IDC_SCORE_LIST, text);
      SendDlgItemMessageA(dialog, IDC_SCORE_LIST, WM_SETFONT,
                          reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void ShowScores(App& app, int highlight) {
  ScoresView view = {app.instance, &app.scores, highlight};
  DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_SCORES), app.window, ScoresDialog,
                  reinterpret_cast<LPARAM>(&view));
}

bool AskName(App& app, char (&name)[kScoreNameSize]) {
  NameRequest request = {app.instance, app.game.score(), ""};
  CopyText(request.name, app.last_name);
  if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_NAME), app.window, NameDialog,
                      reinterpret_cast<LPARAM>(&request)) != IDOK)
    return false;
  CopyText(name, request.name);
  return true;
}
