// The game's string-table formats, with the arguments their callers pass (see
// common/string_formats.h).
#ifndef MURKLE_GAME_FORMATS_H
#define MURKLE_GAME_FORMATS_H

#include "common/string_formats.h"
#include "resource.h"

inline constexpr StringFormat kGameFormats[] = {
    {IDS_ERROR_NUMBER, "u"},
    {IDS_YOUR_SCORE, "u"},
    // Mark, place, name, score, level.
    {IDS_SCORE_LINE, "sdsuu"},
    {IDS_SCORE_NOT_SAVED, "s"},
    {IDS_LEVEL_DONE, "s"},
    {IDS_STATUS_LINE, "dsu"},
    // The text of the data file, by its length.
    {IDS_TITLE_SCREEN, "ds"},
    {IDS_HELP_SCREEN, "ds"},
    {IDS_GAME_OVER, "sud"},
    {IDS_DATA_UNREADABLE, "s"},
    {IDS_DATA_UNUSABLE, "ss"},
    {IDS_SCORES_UNREADABLE, "s"},
    // The entry just above, whose score the new one ties.
    {IDS_SCORE_TIED, "s"},
    {IDS_SCORE_TIED_LAST, "u"},
    {IDS_SCORE_NOT_IN, "u"},
};

#endif
