// Formats that a program loads from its string table. The compiler cannot see
// them, so each program lists its formats with the arguments its callers pass
// (one letter each: s a text, d an int, u an unsigned long), every call is
// checked against that list when it is compiled, and the tests check the list
// against the texts in the built program.
#ifndef MURKLE_COMMON_STRING_FORMATS_H
#define MURKLE_COMMON_STRING_FORMATS_H

#include <windows.h>

#include <cstddef>
#include <type_traits>

struct StringFormat {
  UINT id;
  const char* args;
};

template <typename T>
constexpr char FormatArgLetter() {
  using Plain = std::decay_t<T>;
  static_assert(std::is_same_v<Plain, const char*> || std::is_same_v<Plain, char*> ||
                    std::is_same_v<Plain, int> || std::is_same_v<Plain, unsigned long>,
                "a string-table format takes texts, ints and unsigned longs only");
  return std::is_same_v<Plain, int> ? 'd' : std::is_same_v<Plain, unsigned long> ? 'u' : 's';
}

template <typename... Args>
inline constexpr char kFormatArgs[] = {FormatArgLetter<Args>()..., '\0'};

constexpr bool SameLetters(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// True when the table lists id as taking args.
template <size_t N>
constexpr bool TakesArgs(const StringFormat (&table)[N], UINT id, const char* args) {
  for (const StringFormat& row : table)
    if (row.id == id) return SameLetters(row.args, args);
  return false;
}

// The bytes each program's formats are loaded into, terminator included (at
// most kMaxFormatSize): a program may hold its formats to less (the setup
// program's are dialog lines, loaded with a limit of 128).
constexpr size_t kMaxFormatSize = 512;
template <const auto& Table>
inline constexpr size_t kFormatSize = kMaxFormatSize;

template <const auto& Table, UINT... Ids>
struct LoadedFormat;

// Loads text id of instance (at most format_size bytes of it, terminator
// included) and formats it into buffer, bounded as FormatText. A missing text
// gives the empty one. Only LoadedFormat, which checks the arguments against
// the program's list, may call it.
class UncheckedFormat {
  template <const auto& Table, UINT... Ids>
  friend struct LoadedFormat;
  static bool Format(HINSTANCE instance, UINT id, size_t format_size, char* buffer, size_t size, ...);
};

// Loads text id of instance into buffer (size bytes); the empty text when it
// is missing.
void LoadText(HINSTANCE instance, UINT id, char* buffer, int size);

// FormatString for a text chosen at run time among Ids, all of which the
// program's Table lists with the arguments given here.
template <const auto& Table, UINT... Ids>
struct LoadedFormat {
  template <typename... Args>
  static bool Format(HINSTANCE instance, UINT id, char* buffer, size_t size, Args... args) {
    static_assert((TakesArgs(Table, Ids, kFormatArgs<Args...>) && ...),
                  "the string-table format is listed with other arguments, or not at all");
    static_assert(kFormatSize<Table> <= kMaxFormatSize, "formats are loaded into kMaxFormatSize bytes at most");
    return UncheckedFormat::Format(instance, id, kFormatSize<Table>, buffer, size, args...);
  }
};

// The same for one text known when compiling.
template <const auto& Table, UINT Id, typename... Args>
bool FormatLoaded(HINSTANCE instance, char* buffer, size_t size, Args... args) {
  return LoadedFormat<Table, Id>::Format(instance, Id, buffer, size, args...);
}

#endif
