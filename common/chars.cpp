#include "chars.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

size_t CharLength(const char* p) {
  if (*p == '\0') return 0;
  return IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0' ? 2 : 1;
}

const char* FindChar(const char* text, char c) {
  for (size_t n; (n = CharLength(text)) != 0; text += n)
    if (n == 1 && *text == c) return text;
  return nullptr;
}

const char* FindLastChar(const char* text, char c) {
  const char* last = nullptr;
  for (const char* found = text; (found = FindChar(found, c)) != nullptr; ++found) last = found;
  return last;
}

size_t CharBoundary(const char* text, size_t limit) {
  // A lead byte that the terminator follows has lost its second byte to a
  // cut: it is no character to keep.
  size_t length = 0;
  for (size_t n; text[length] != '\0'; length += n) {
    n = IsDBCSLeadByte(static_cast<BYTE>(text[length])) ? 2 : 1;
    if (length + n > limit || (n == 2 && text[length + 1] == '\0')) break;
  }
  return length;
}

namespace {

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Walks a and b together while their characters match; returns where each
// stopped through the pointers.
void MatchNoCase(const char** a, const char** b) {
  for (;;) {
    size_t n = CharLength(*a);
    if (n == 0 || n != CharLength(*b)) return;
    if (n == 1 ? FoldAscii(**a) != FoldAscii(**b) : memcmp(*a, *b, 2) != 0) return;
    *a += n;
    *b += n;
  }
}

}  // namespace

bool EqualNoCase(const char* a, const char* b) {
  MatchNoCase(&a, &b);
  return *a == '\0' && *b == '\0';
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  MatchNoCase(&prefix, &text);
  return *prefix == '\0';
}

bool EndsWithNoCase(const char* text, const char* suffix) {
  size_t length = strlen(text), suffix_length = strlen(suffix);
  if (suffix_length > length) return false;
  size_t start = CharBoundary(text, length - suffix_length);
  return start == length - suffix_length && EqualNoCase(text + start, suffix);
}

bool AnsiMatches(const char* ansi, const wchar_t* wide) {
  wchar_t read[MAX_PATH];
  return MultiByteToWideChar(CP_ACP, 0, ansi, -1, read, MAX_PATH) > 0 && wcscmp(read, wide) == 0;
}
