// The string-table formats of all three programs against the arguments their
// callers pass, as each program's table lists them (the compiler holds every
// call to its table). Read from the files that ship.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "product/game/window/formats.h"
#include "product/uninstaller/formats.h"
#include "resources/formats.h"
#include "test_paths.h"

namespace {

// The conversions of a printf format, one letter each as the tables write
// them; '?' for one that no caller of ours passes.
std::string Conversions(const char* format) {
  std::string letters;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    if (*++p == '%') continue;
    while (*p && strchr("-+ #0", *p)) ++p;
    if (*p == '*') letters += 'd', ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      if (*p == '*') letters += 'd', ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    const bool wide = *p == 'l';
    if (wide) ++p;
    if (!*p) return letters + '?';
    if (*p == 's' && !wide) letters += 's';
    else if ((*p == 'd' || *p == 'i') && !wide) letters += 'd';
    else if ((*p == 'u' || *p == 'x' || *p == 'X') && wide) letters += 'u';
    else letters += '?';
  }
  return letters;
}

// Each text of Table whole within the bytes the program loads it into.
template <const auto& Table>
void ExpectFormatsTake(const char* program) {
  HMODULE module = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << program;
  for (const StringFormat& row : Table) {
    char text[1024];
    ASSERT_GT(LoadStringA(module, row.id, text, sizeof text), 0) << program << ": no text " << row.id;
    EXPECT_LT(strlen(text), kFormatSize<Table>) << program << ", text " << row.id << " does not fit its buffer";
    // Callers may pass more than a text uses (a reason without the error
    // number), never less or of another kind.
    const std::string used = Conversions(text);
    EXPECT_EQ(used, std::string(row.args).substr(0, used.size()))
        << program << ", text " << row.id << " \"" << text << "\": callers pass \"" << row.args << "\"";
  }
  FreeLibrary(module);
}

TEST(StringFormats, EachProgramsFormatsTakeWhatTheirCallersPass) {
  EXPECT_EQ(Conversions("%s%2d. %-15s %7lu  level %lu %% %.*s"), "sdsuuds") << "the reader itself";
  ExpectFormatsTake<kSetupFormats>(TEST_INSTALLER);
  ExpectFormatsTake<kUninstallFormats>(TEST_INSTALLER_PAYLOAD_DIR "\\uninstall.exe");
  ExpectFormatsTake<kGameFormats>(TEST_INSTALLER_PAYLOAD_DIR "\\murkle.exe");
}

}  // namespace
