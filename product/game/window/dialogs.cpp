// The game's dialogs: the name of a new high score and the high-score table.
#include "dialogs.h"

#include <windows.h>

#include "app.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "formats.h"
#include "messages.h"
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
      CenterOverOwner(dialog);
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
  int highlight;         // place of a new entry, or -1
  const char* note;      // under the list; may be empty
  HFONT font = nullptr;  // the list's, made for the dialog and deleted after it
};

// A fixed-pitch font as tall as the dialog's own, so that the list grows with
// the dialog at every DPI (a stock font keeps its pixel size).
HFONT ListFont(HWND dialog) {
  LOGFONTA dialog_font = {};
  const auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  if (!font || !GetObjectA(font, sizeof dialog_font, &dialog_font)) return nullptr;
  LOGFONTA fixed = {};
  fixed.lfHeight = dialog_font.lfHeight;
  fixed.lfWeight = FW_NORMAL;
  fixed.lfCharSet = DEFAULT_CHARSET;
  fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  CopyText(fixed.lfFaceName, "Courier New");
  return CreateFontIndirectA(&fixed);
}

INT_PTR CALLBACK ScoresDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterOverOwner(dialog);
      auto& view = *reinterpret_cast<ScoresView*>(lparam);
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
      HWND list = GetDlgItem(dialog, IDC_SCORE_LIST);
      SetWindowTextA(list, text);
      view.font = ListFont(dialog);
      SendMessageA(list, WM_SETFONT,
                   reinterpret_cast<WPARAM>(view.font ? view.font : GetStockObject(ANSI_FIXED_FONT)), FALSE);
      SetDlgItemTextA(dialog, IDC_SCORE_NOTE, view.note);
      // The new entry's line selected, nothing selected without one; the
      // focus on OK, since an edit box that takes it selects all its text.
      LRESULT from = 0, to = 0;
      if (view.highlight >= 0) {
        from = SendMessageA(list, EM_LINEINDEX, WPARAM(view.highlight), 0);
        to = from + SendMessageA(list, EM_LINELENGTH, WPARAM(from), 0);
      }
      SendMessageA(list, EM_SETSEL, WPARAM(from), LPARAM(to));
      SendMessageA(list, EM_SCROLLCARET, 0, 0);
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
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

// What the table says about a score just played: a tie, or no room.
void ScoreNote(const App& app, int place, uint32_t score, char (&note)[128]) {
  note[0] = '\0';
  const ScoreEntry* entries = app.scores.table.entries;
  if (place > 0 && entries[place - 1].score == score)
    FormatLoaded<kGameFormats, IDS_SCORE_TIED>(app.instance, note, sizeof note,
                                               static_cast<const char*>(entries[place - 1].name));
  else if (place < 0 && entries[kScoreEntries - 1].score == score)
    FormatLoaded<kGameFormats, IDS_SCORE_TIED_LAST>(app.instance, note, sizeof note,
                                                    static_cast<unsigned long>(score));
  else if (place < 0)
    FormatLoaded<kGameFormats, IDS_SCORE_NOT_IN>(app.instance, note, sizeof note,
                                                 static_cast<unsigned long>(score));
}

void ShowTable(App& app, int highlight, const char* note) {
  ScoresView view = {app.instance, &app.scores.table, highlight, note};
  DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_SCORES), app.window, ScoresDialog,
                  reinterpret_cast<LPARAM>(&view));
  if (view.font) DeleteObject(view.font);
}

}  // namespace

void ShowScores(App& app) { ShowTable(app, -1, ""); }

void ShowGameScore(App& app, int place, uint32_t score) {
  char note[128];
  ScoreNote(app, place, score, note);
  ShowTable(app, place, note);
}

bool AskName(App& app, char (&name)[kScoreNameSize]) {
  NameRequest request = {app.instance, app.play.game.score(), ""};
  CopyText(request.name, app.scores.last_name);
  if (DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_NAME), app.window, NameDialog,
                      reinterpret_cast<LPARAM>(&request)) != IDOK)
    return false;
  CopyText(name, request.name);
  return true;
}
