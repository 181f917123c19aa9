// The setup program's string-table formats, with the arguments their callers
// pass (see common/string_formats.h).
#ifndef MURKLE_RESOURCES_FORMATS_H
#define MURKLE_RESOURCES_FORMATS_H

#include "common/string_formats.h"
#include "resources/resource.h"

inline constexpr StringFormat kSetupFormats[] = {
    {IDS_DYSKWOLNE, "d"},
    {IDS_DYSKWYMAGANE, "d"},
    {IDS_BLADSETUPU, "s"},
};
// Loaded into 128 bytes, as every format of this program is.
template <>
inline constexpr size_t kFormatSize<kSetupFormats> = 128;

#endif
