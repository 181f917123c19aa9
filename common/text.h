// Bounded text helpers: every write into a fixed buffer of this program goes
// through these, so that an overlong result is a decision, never an overrun.
#ifndef MURKLE_COMMON_TEXT_H
#define MURKLE_COMMON_TEXT_H

#include <cstdarg>
#include <cstddef>

// The compiler checks each literal format against its arguments. Formats from
// a string table go through FormatString (string_formats.h) instead.
#define MURKLE_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))

// Formats into buffer (size bytes, terminator included). Always terminates when
// size > 0. Returns true when the whole text fit; on false the buffer holds the
// text cut to at most size - 1 bytes, between two characters.
bool FormatText(char* buffer, size_t size, const char* format, ...) MURKLE_PRINTF(3, 4);
bool FormatTextV(char* buffer, size_t size, const char* format, va_list args) MURKLE_PRINTF(3, 0);

// Copies source into buffer the same way; a null source gives the empty text.
bool CopyText(char* buffer, size_t size, const char* source);

template <size_t N>
inline bool CopyText(char (&buffer)[N], const char* source) {
  return CopyText(buffer, N, source);
}

// True when text ends with a backslash (not the second byte of a character).
bool EndsWithBackslash(const char* text);
// Takes one trailing backslash off text, if it has one.
void DropTrailingBackslash(char* text);
// The length of text once it ends with a backslash.
size_t LengthWithBackslash(const char* text);
// Appends a backslash to the text in buffer unless it ends with one. False,
// with the buffer unchanged, when there is no room for it.
bool AppendBackslash(char* buffer, size_t size);
// dir and name joined with one backslash between them, bounded as FormatText.
bool JoinPath(char* buffer, size_t size, const char* dir, const char* name);

template <size_t N>
inline bool AppendBackslash(char (&buffer)[N]) {
  return AppendBackslash(buffer, N);
}
template <size_t N>
inline bool JoinPath(char (&buffer)[N], const char* dir, const char* name) {
  return JoinPath(buffer, N, dir, name);
}

// The system's words for error number error into buffer (size bytes), as
// FormatMessage gives them without inserts; false, with the empty text, when
// the system has none.
bool SystemErrorText(unsigned long error, char* buffer, size_t size);

// Appends to a fixed buffer; once something does not fit, the text is cut and
// ends with "..." and further appends do nothing.
class TextBuilder {
 public:
  TextBuilder(char* text, size_t size);
  void Append(const char* piece);
  void Format(const char* format, ...) MURKLE_PRINTF(2, 3);

 private:
  char* text_;
  size_t size_;
  size_t used_ = 0;
  bool full_ = false;
};

#endif
