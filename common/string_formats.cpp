#include "string_formats.h"

#include "text.h"

void LoadText(HINSTANCE instance, UINT id, char* buffer, int size) {
  if (size <= 0) return;
  if (LoadStringA(instance, id, buffer, size) <= 0) buffer[0] = '\0';
}

bool FormatStringV(HINSTANCE instance, UINT id, size_t format_size, char* buffer, size_t size, va_list args) {
  char format[kMaxFormatSize];
  LoadText(instance, id, format, static_cast<int>(format_size < sizeof format ? format_size : sizeof format));
  return FormatTextV(buffer, size, format, args);
}

bool FormatString(HINSTANCE instance, UINT id, size_t format_size, char* buffer, size_t size, ...) {
  va_list args;
  va_start(args, size);
  bool fit = FormatStringV(instance, id, format_size, buffer, size, args);
  va_end(args);
  return fit;
}
