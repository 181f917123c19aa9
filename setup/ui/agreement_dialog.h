// The agreement dialog: the product's licence, to accept or decline.
#ifndef MURKLE_UI_AGREEMENT_DIALOG_H
#define MURKLE_UI_AGREEMENT_DIALOG_H

#include <windows.h>

// Template 103. Result 1 when the user accepts, 0 otherwise.
INT_PTR CALLBACK AgreementDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif
