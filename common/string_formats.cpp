#include "string_formats.h"

#include "text.h"

void LoadText(HINSTANCE instance, UINT id, char* buffer, int size) {
  if (size <= 0) return;
  if (LoadStringA(instance, id, buffer, size) <= 0) buffer[0] = '\0';
}

bool UncheckedFormat::Format(HINSTANCE instance, UINT id, size_t format_size, char* buffer, size_t size, ...) {
  char format[kMaxFormatSize];
  LoadText(instance, id, format, static_cast<int>(format_size < sizeof format ? format_size : sizeof format));
  va_list args;
  va_start(args, size);
  bool fit = FormatTextV(buffer, size, format, args);
  va_end(args);
  return fit;
}
