// The agreement text shown before setup, decompressed from its payload resource.
#ifndef MURKLE_INSTALL_AGREEMENT_H
#define MURKLE_INSTALL_AGREEMENT_H

#include <windows.h>

// The longest agreement text the dialog can show.
constexpr unsigned kAgreementCapacity = 10000;

// Decompresses the agreement resource of module into text (kAgreementCapacity
// bytes plus the terminator) in one pass. False when the resource is missing,
// corrupt or longer than the capacity: the text did not arrive whole.
bool ReadAgreementText(HMODULE module, char (&text)[kAgreementCapacity + 1]);

#endif
