#include <cstdlib>

#include "platform/system_dlls.h"
#include "setup_main.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictDllSearch();
  return SetupMain(instance);
}

// An exception that nothing catches ends the program at once. The runtime's
// default handler would print the exception's demangled type first, and its
// demangler alone is some 45 KB of this program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
