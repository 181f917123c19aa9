// The uninstaller's string-table formats, with the arguments their callers pass
// (see common/string_formats.h).
#ifndef MURKLE_UNINSTALLER_FORMATS_H
#define MURKLE_UNINSTALLER_FORMATS_H

#include "common/string_formats.h"
#include "resource.h"

inline constexpr StringFormat kUninstallFormats[] = {
    {IDS_CAPTION, "s"},
    {IDS_CONFIRM, "ss"},
    {IDS_NOTHING_FOUND, "ss"},
    {IDS_RECORD_MISSING, "s"},
    {IDS_RECORD_UNREADABLE, "su"},
    {IDS_RECORD_DAMAGED, "s"},
    {IDS_RECORD_FOREIGN, "ss"},
    {IDS_NO_OWN_PATH, ""},
    {IDS_CODE_PAGE_CHANGED, "u"},
    // The summaries: program, provider, folder.
    {IDS_REPORT_DONE, "sss"},
    {IDS_REPORT_PARTLY, "sss"},
    {IDS_REPORT_DONE_HERE, "sss"},
    {IDS_REPORT_DONE_BY_HAND, "sss"},
    {IDS_REPORT_LINE, "ss"},
    {IDS_REPORT_MORE, "d"},
    {IDS_COUNT_FILES, "d"},
    {IDS_COUNT_LINKS, "d"},
    {IDS_COUNT_DESKTOP, "d"},
    {IDS_COUNT_FOLDERS, "d"},
    {IDS_COUNT_KEYS, "d"},
    // The reasons: the system's error number, which most of them leave out.
    {IDS_WHY_IN_USE, "u"},
    {IDS_WHY_NOT_EMPTY, "u"},
    {IDS_WHY_FAILED, "u"},
    {IDS_WHY_NOT_PLAIN_NAME, "u"},
    {IDS_WHY_OVERLONG, "u"},
    {IDS_WHY_OUT_OF_SEQUENCE, "u"},
    {IDS_WHY_DUPLICATE, "u"},
    {IDS_WHY_NOT_A_LINK, "u"},
    {IDS_WHY_NOT_ABSOLUTE, "u"},
    {IDS_WHY_NOT_PREFIX, "u"},
    {IDS_WHY_DRIVE_ROOT, "u"},
    {IDS_WHY_UNKNOWN_KEY, "u"},
    {IDS_WHY_NOT_OURS, "u"},
    {IDS_WHY_HAS_SUBKEYS, "u"},
    {IDS_WHY_TOO_MANY, "u"},
    {IDS_WHY_KEPT_FOR_RETRY, "u"},
    {IDS_WHY_NOT_OUR_LINK, "u"},
    {IDS_WHY_HAS_VALUES, "u"},
    {IDS_WHY_OTHER_INSTALLATION, "u"},
    {IDS_WHY_SYSTEM_FOLDER, "u"},
    {IDS_WHY_HOLDS_KEPT, "u"},
    {IDS_WHY_REMOVE_BY_HAND, "u"},
};

#endif
