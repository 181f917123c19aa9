// The setup options dialog: where to install, with the free space, and the
// installation itself.
#ifndef MURKLE_UI_SETUP_DIALOG_H
#define MURKLE_UI_SETUP_DIALOG_H

#include <windows.h>

// Template 101. Result 1 when closed after a successful installation, 2 when
// cancelled.
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Set once an installation has succeeded; Install then closes the dialog.
extern bool g_installDone;

#endif
