// Sections of uninst.ini read whole, one call each: the profile reader may go
// through the whole file again for every key it is asked for.
#ifndef MURKLE_INSTALL_RECORD_SECTIONS_H
#define MURKLE_INSTALL_RECORD_SECTIONS_H

#include <windows.h>

#include <cstring>

#include "common/chars.h"

// A section as GetPrivateProfileSectionA gives it: key=value lines, each ended
// by a NUL, and one more NUL after the last. False (and the section empty)
// when it does not fit: a section of this installer's records always does.
template <size_t N>
bool ReadSection(const char* ini, const char* name, char (&section)[N]) {
  DWORD length = GetPrivateProfileSectionA(name, section, N, ini);
  const bool fits = length < N - 2;
  if (!fits) length = 0;
  section[length] = section[length + 1] = '\0';
  return fits;
}

// The value of key in a section read so; null when the key is not there.
inline const char* FindValue(const char* section, const char* key) {
  const size_t length = strlen(key);
  for (const char* line = section; *line; line += strlen(line) + 1)
    if (StartsWithNoCase(line, key) && line[length] == '=') return line + length + 1;
  return nullptr;
}

#endif
