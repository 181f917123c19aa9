// The uninstaller's closing message: what was removed, left and refused.
#ifndef MURKLE_UNINSTALLER_REPORT_TEXT_H
#define MURKLE_UNINSTALLER_REPORT_TEXT_H

#include <windows.h>

#include <cstddef>

#include "common/string_formats.h"
#include "uninstall_plan.h"

// Formats the report into text (size bytes, always terminated; a report too
// long for it ends with "..."). The strings come from instance's string table.
void FormatReport(const UninstallPlan& plan, const UninstallReport& report, HINSTANCE instance, char* text,
                  size_t size);

// True when the installation was removed in full: nothing left but folders
// holding the user's own files, and nothing refused.
bool RemovedCompletely(const UninstallReport& report);

#endif
