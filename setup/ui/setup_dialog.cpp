#include <windows.h>

#include <mmsystem.h>
#include <shlobj.h>

#include <new>

#include "common/chars.h"
#include "common/system_dlls.h"
#include "common/text.h"
#include "install/config.h"
#include "install/install.h"
#include "platform/shell.h"
#include "resources/formats.h"
#include "resources/resource.h"
#include "setup_dialog.h"
#include "setup_main.h"

bool g_installDone = false;

namespace {

// What the edit fields hold: a path without its terminator.
constexpr int kFieldLimit = MAX_PATH - 1;

// A loaded format with one number, as the text of a control.
void SetNumberLine(HWND dialog, int control, UINT format_id, uint32_t number) {
  char line[MAX_PATH];
  LoadedFormat<kSetupFormats, IDS_DYSKWOLNE, IDS_DYSKWYMAGANE>::Format(DialogInstance(dialog), format_id, line,
                                                                       sizeof line, static_cast<int>(number));
  SetDlgItemTextA(dialog, control, line);
}

void SetMessageLine(HWND dialog, int control, UINT id, int limit) {
  char line[MAX_PATH];
  LoadText(DialogInstance(dialog), id, line, limit);
  SetDlgItemTextA(dialog, control, line);
}

void ShowSpace(HWND dialog) {
  char path[MAX_PATH];
  GetDlgItemTextA(dialog, IDC_FILE_DIR, path, sizeof path);
  uint32_t free_kb = GetFreeBytes(path) >> 10;
  uint32_t required_kb = g_setupConfig.RequiredKilobytes();
  SetNumberLine(dialog, IDC_SPACE_FREE, IDS_DYSKWOLNE, free_kb);
  SetNumberLine(dialog, IDC_SPACE_REQUIRED, IDS_DYSKWYMAGANE, required_kb);
  SetMessageLine(dialog, IDC_SPACE_VERDICT, free_kb < required_kb ? IDS_DYSKZAMALO : IDS_DYSKDOSC, MAX_PATH);
}

void Browse(HWND dialog, const char* title, int root_csidl, int target) {
  char path[MAX_PATH] = {};
  if (BrowseForFolder(dialog, title, root_csidl, path)) SetDlgItemTextA(dialog, target, path);
}

using GetWindowTextWFn = int(WINAPI*)(HWND, LPWSTR, int);

// Whether text is all of what the edit control shows. The control keeps
// Unicode, and a character that the code page lacks reaches the ANSI text as
// a look-alike (a Polish z with a dot above as a plain z): installing there
// would fill another folder than the one shown. Windows 95 keeps the text in
// the code page and has no wide call to ask; there the ANSI text is all there
// is.
bool ShowsExactly(HWND edit, const char* text) {
  auto get_text = ModuleFunction<GetWindowTextWFn>(GetModuleHandleA("user32.dll"), "GetWindowTextW");
  if (!get_text) return true;
  wchar_t shown[MAX_PATH];
  SetLastError(0);
  if (get_text(edit, shown, MAX_PATH) == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return true;
  return AnsiMatches(text, shown);
}

// Copies an edit field into a configuration path. A text longer than the field
// holds (one set by a program past the typing limit), or one that the code
// page cannot write, is refused rather than changed, so that nothing is
// installed into another path than the one shown. Windows takes a slash for a
// backslash; the path is kept with backslashes only, as the record needs it.
bool ReadField(HWND dialog, int control, char (&field)[MAX_PATH]) {
  HWND edit = GetDlgItem(dialog, control);
  if (GetWindowTextLengthA(edit) > kFieldLimit) return false;
  GetDlgItemTextA(dialog, control, field, MAX_PATH);
  if (!ShowsExactly(edit, field)) return false;
  for (char* slash = field; (slash = FindChar(slash, '/')) != nullptr;) *slash = '\\';
  return true;
}

void Install(HWND dialog) {
  SetMessageLine(dialog, IDC_STATUS, IDS_INSTALUJE, MAX_PATH - 4);

  char message[kInstallMessageSize] = "";
  int32_t result = -1;
  if (!ReadField(dialog, IDC_SHORTCUT_DIR, g_setupConfig.shortcut_dir))
    LoadText(DialogInstance(dialog), IDS_ZLAGRUPA, message, sizeof message);
  else if (!ReadField(dialog, IDC_FILE_DIR, g_setupConfig.file_dir))
    LoadText(DialogInstance(dialog), IDS_ZLYKATALOG, message, sizeof message);
  else {
    g_setupConfig.desktop_shortcut = IsDlgButtonChecked(dialog, IDC_DESKTOP) == BST_CHECKED ? 1 : 0;
    auto* attempts = reinterpret_cast<InstallAttempts*>(GetWindowLongPtrA(dialog, DWLP_USER));
    result = attempts ? RunInstall(g_setupConfig, message, *attempts) : RunInstall(g_setupConfig, message);
  }

  char status[MAX_PATH];
  const char* sound;
  if (result != 0) {
    FormatLoaded<kSetupFormats, IDS_BLADSETUPU>(DialogInstance(dialog), status, sizeof status,
                                                static_cast<const char*>(message));
    sound = "SystemHand";
  } else {
    g_installDone = true;
    LoadText(DialogInstance(dialog), IDS_GOTOWE, status, MAX_PATH - 4);
    SetDlgItemTextA(dialog, IDOK, "&Close");
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    sound = "SystemExit";
  }
  PlaySystemSound(sound, kSystemSoundFlags);
  SetDlgItemTextA(dialog, IDC_STATUS, status);
}

BOOL OnInitDialog(HWND dialog) {
  // What failed attempts made, for the retries of this dialog; without it each
  // attempt stands alone.
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(new (std::nothrow) InstallAttempts()));
  SetDialogIcon(dialog);
  SendDlgItemMessageA(dialog, IDC_SHORTCUT_DIR, EM_LIMITTEXT, kFieldLimit, 0);
  SetDlgItemTextA(dialog, IDC_SHORTCUT_DIR, g_setupConfig.shortcut_dir);
  // Setting the destination fills the space lines through EN_CHANGE.
  SendDlgItemMessageA(dialog, IDC_FILE_DIR, EM_LIMITTEXT, kFieldLimit, 0);
  SetDlgItemTextA(dialog, IDC_FILE_DIR, g_setupConfig.file_dir);
  CheckDlgButton(dialog, IDC_DESKTOP, g_setupConfig.desktop_shortcut ? BST_CHECKED : BST_UNCHECKED);
  SetMessageLine(dialog, IDC_STATUS, IDS_NACISNIJ, MAX_PATH - 4);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return OnInitDialog(dialog);
  if (message == WM_DESTROY)
    delete reinterpret_cast<InstallAttempts*>(SetWindowLongPtrA(dialog, DWLP_USER, 0));
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wparam)) {
    case IDC_FILE_DIR:
      if (HIWORD(wparam) == EN_CHANGE) ShowSpace(dialog);
      return FALSE;
    case IDC_BROWSE_GROUP:
      Browse(dialog, "Choose a Program Group", CSIDL_STARTMENU, IDC_SHORTCUT_DIR);
      return FALSE;
    case IDC_BROWSE_DEST:
      Browse(dialog, "Choose a destination directory", CSIDL_DRIVES, IDC_FILE_DIR);
      return FALSE;
    case IDOK:
      if (g_installDone) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      Install(dialog);
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, 2);
      return TRUE;
  }
  return FALSE;
}
