// The setup program's main routine and its dialog procedures.
#ifndef MURKLE_UI_SETUP_MAIN_H
#define MURKLE_UI_SETUP_MAIN_H

#include <windows.h>

// Greets, shows the agreement and, once accepted, the setup options. Returns 0.
int SetupMain(HINSTANCE instance);

// Template 103. Result 1 when the user accepts, 0 otherwise.
INT_PTR CALLBACK AgreementDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Template 101. Result 1 when closed after a successful installation, 2 when
// cancelled.
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Message 10 ("Data corrupted...") in an error box with the system's caption.
void ShowDataCorrupted(HINSTANCE instance);

// Set once an installation has succeeded; Install then closes the dialog.
extern bool g_installDone;

// Sets the program's icon, loaded once at the system's default size, as the
// dialog's small and big icon.
void SetDialogIcon(HWND dialog);

// The instance the dialog's template came from; its resources are ours.
HINSTANCE DialogInstance(HWND dialog);

#endif
