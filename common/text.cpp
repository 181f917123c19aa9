#include "text.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "chars.h"

namespace {

// Ends text, cut to at most limit bytes, between two characters: half a
// double-byte character would join with whatever comes after it.
void CutAt(char* text, size_t limit) { text[CharBoundary(text, limit)] = '\0'; }

}  // namespace

bool FormatTextV(char* buffer, size_t size, const char* format, va_list args) {
  if (size == 0) return false;
  // msvcrt's _vsnprintf leaves the buffer unterminated when the text fills it
  // exactly and returns -1 when it is longer; both count as "did not fit".
  int n = _vsnprintf(buffer, size, format, args);
  if (n < 0 || static_cast<size_t>(n) >= size) {
    buffer[size - 1] = '\0';
    CutAt(buffer, size - 1);
    return false;
  }
  return true;
}

bool FormatText(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  bool fit = FormatTextV(buffer, size, format, args);
  va_end(args);
  return fit;
}

bool CopyText(char* buffer, size_t size, const char* source) {
  if (size == 0) return false;
  if (!source) source = "";
  size_t length = strlen(source);
  bool fit = length < size;
  if (!fit) length = size - 1;
  memmove(buffer, source, length);
  buffer[length] = '\0';
  if (!fit) CutAt(buffer, length);
  return fit;
}

bool EndsWithBackslash(const char* text) {
  const char* last = FindLastChar(text, '\\');
  return last && last[1] == '\0';
}

void DropTrailingBackslash(char* text) {
  if (EndsWithBackslash(text)) text[strlen(text) - 1] = '\0';
}

size_t LengthWithBackslash(const char* text) { return strlen(text) + (EndsWithBackslash(text) ? 0 : 1); }

bool AppendBackslash(char* buffer, size_t size) {
  if (EndsWithBackslash(buffer)) return true;
  size_t length = strlen(buffer);
  if (length + 1 >= size) return false;
  buffer[length] = '\\';
  buffer[length + 1] = '\0';
  return true;
}

bool JoinPath(char* buffer, size_t size, const char* dir, const char* name) {
  return FormatText(buffer, size, EndsWithBackslash(dir) ? "%s%s" : "%s\\%s", dir, name);
}

TextBuilder::TextBuilder(char* text, size_t size) : text_(text), size_(size) {
  if (size_ > 0) text_[0] = '\0';
}

void TextBuilder::Append(const char* piece) { Format("%s", piece); }

void TextBuilder::Format(const char* format, ...) {
  if (full_ || size_ == 0) return;
  va_list args;
  va_start(args, format);
  bool fit = FormatTextV(text_ + used_, size_ - used_, format, args);
  va_end(args);
  used_ += strlen(text_ + used_);
  if (!fit) {
    full_ = true;
    if (size_ >= 4) CopyText(text_ + CharBoundary(text_, size_ - 4), 4, "...");
  }
}

bool SystemErrorText(unsigned long error, char* buffer, size_t size) {
  if (size == 0) return false;
  buffer[0] = '\0';
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      buffer, static_cast<DWORD>(size), nullptr);
  if (length == 0) buffer[0] = '\0';
  return length != 0;
}
