#include "setup_main.h"

#include <mmsystem.h>
#include <objbase.h>

#include "agreement_dialog.h"
#include "common/com.h"
#include "common/string_formats.h"
#include "common/system_dlls.h"
#include "resources/resource.h"
#include "setup_dialog.h"

int SetupMain(HINSTANCE instance) {
  InitCommonControlsFromSystem();
  ComScope com;
  PlaySystemSound("SystemStart", kSystemSoundFlags);
  // Only Accept (1) goes on. -1 is a dialog that could not be made at all, a
  // missing or damaged template: the program's own data is broken.
  INT_PTR accepted = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_AGREEMENT), nullptr, AgreementDialogProc, 0);
  if (accepted == 1) {
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETUP), nullptr, SetupDialogProc, 0) == -1)
      ShowDataCorrupted(instance);
  } else if (accepted == -1) {
    ShowDataCorrupted(instance);
  }
  PlaySystemSound(nullptr, SND_PURGE);
  return 0;
}

void ShowDataCorrupted(HINSTANCE instance) {
  char message[128];
  LoadText(instance, IDS_USZKODZONE, message, sizeof message);
  MessageBoxA(nullptr, message, nullptr, MB_ICONERROR);
}

HINSTANCE DialogInstance(HWND dialog) {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
}

void SetDialogIcon(HWND dialog) {
  HICON icon = LoadIconA(DialogInstance(dialog), MAKEINTRESOURCEA(IDI_SETUP));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}
