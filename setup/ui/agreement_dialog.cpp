#include "agreement_dialog.h"

#include "install/agreement.h"
#include "resources/resource.h"
#include "setup_main.h"

namespace {

BOOL OnInitDialog(HWND dialog) {
  SetDialogIcon(dialog);
  HINSTANCE instance = DialogInstance(dialog);

  char text[kAgreementCapacity + 1];
  if (!ReadAgreementText(instance, text)) {
    ShowDataCorrupted(instance);
    EndDialog(dialog, 0);
    return TRUE;
  }
  HWND edit = GetDlgItem(dialog, IDC_AGREEMENT_TEXT);
  SendMessageA(edit, EM_LIMITTEXT, lstrlenA(text), 0);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK AgreementDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
