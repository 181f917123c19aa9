// The setup program's main routine, and what its two dialogs share.
#ifndef MURKLE_UI_SETUP_MAIN_H
#define MURKLE_UI_SETUP_MAIN_H

#include <windows.h>

// Greets, shows the agreement and, once accepted, the setup options. Returns 0.
int SetupMain(HINSTANCE instance);

// Message 10 ("Data corrupted...") in an error box with the system's caption.
void ShowDataCorrupted(HINSTANCE instance);

// Sets the program's icon, loaded once at the system's default size, as the
// dialog's small and big icon.
void SetDialogIcon(HWND dialog);

// The instance the dialog's template came from; its resources are ours.
HINSTANCE DialogInstance(HWND dialog);

#endif
