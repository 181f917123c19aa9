// Text in the system's ANSI code page, walked by characters. On double-byte
// code pages (932, 936, 949, 950) a character may take two bytes, and its
// second byte may look like '\', '|' or a letter: such a byte is never a
// separator, a character no name may hold, or a letter to fold. In single-byte
// code pages each of these gives what a plain walk over the bytes gives.
#ifndef MURKLE_COMMON_CHARS_H
#define MURKLE_COMMON_CHARS_H

#include <cstddef>

// Bytes of the character at p: 0 at the terminator, 2 for a lead byte with a
// byte after it, else 1.
size_t CharLength(const char* p);
// The first and the last c in text, c being a one-byte character; null when
// there is none.
const char* FindChar(const char* text, char c);
const char* FindLastChar(const char* text, char c);
// As strchr and strrchr, into a text the caller may change.
inline char* FindChar(char* text, char c) {
  return const_cast<char*>(FindChar(static_cast<const char*>(text), c));
}
inline char* FindLastChar(char* text, char c) {
  return const_cast<char*>(FindLastChar(static_cast<const char*>(text), c));
}
// The longest start of text of at most limit bytes that ends between two
// characters, as a length.
size_t CharBoundary(const char* text, size_t limit);

// Comparisons that fold the letters A to Z and nothing else: a file system
// folds these everywhere, so texts equal here name the same file. (Folding
// more, as the language-aware comparison does, would also ignore characters
// such as the soft hyphen, and take different names for one.)
bool EqualNoCase(const char* a, const char* b);
// Whether text begins with prefix, character for character; then the match
// ends between two characters of text, at strlen(prefix).
bool StartsWithNoCase(const char* text, const char* prefix);
bool EndsWithNoCase(const char* text, const char* suffix);

// Whether ansi, read in the system's code page, is exactly wide (at most
// MAX_PATH - 1 characters). A character that the code page lacks becomes a
// look-alike or a question mark on its way into ANSI text: then they differ.
bool AnsiMatches(const char* ansi, const wchar_t* wide);

#endif
