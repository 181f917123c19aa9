#include "string_formats.h"

#include "text.h"

void LoadText(HINSTANCE instance, UINT id, char* buffer, int size) {
  if (size <= 0) return;
  if (LoadStringA(instance, id, buffer, size) <= 0) buffer[0] = '\0';
}

bool FormatStringV(HINSTANCE instance, UINT id, char* buffer, size_t size, va_list args) {
  // Formats are short: a line of a dialog or a message box.
  char format[512];
  LoadText(instance, id, format, sizeof format);
  return FormatTextV(buffer, size, format, args);
}

bool FormatString(HINSTANCE instance, UINT id, char* buffer, size_t size, ...) {
  va_list args;
  va_start(args, size);
  bool fit = FormatStringV(instance, id, buffer, size, args);
  va_end(args);
  return fit;
}
