// Where the setup program starts. It takes the place of the C runtime's
// start-up object, which brings some 8 KB of services this program never uses:
// command-line and environment parsing, wildcard expansion, run-time
// relocation of imported data, thread-local callbacks and signal emulation.
// What the program does need from a start-up is done here, in this order.
#include <windows.h>

#include <cstdlib>

#include "common/system_dlls.h"
#include "runtime.h"
#include "ui/setup_main.h"

extern "C" {
// MinGW's runtime library: runs the static constructors once. On 32-bit x86 one of them
// registers the unwinder's frame tables, so no exception may be thrown before.
void __main();
// msvcrt: a GUI program's runtime reports its own failures in a message box.
void __set_app_type(int);
}

// The C++ runtime registers its clean-ups through atexit, which the replaced
// start-up object used to define; msvcrt's _onexit list runs them in exit().
extern "C" int __cdecl atexit(void(__cdecl* function)(void)) {
  return _onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1;
}

// libgcc keeps the unwinder's locks and its thread keys in one object, and its
// key creation asks the start-up runtime to run a key's destructor when a
// thread ends. The replaced start-up had the thread-exit callback that did
// that; without it its runtime registers nothing and answers 0, and so does
// this, without the 1 KB of callback machinery. No key of this program has a
// destructor: the exception state has a slot of its own (exception_state.cpp).
extern "C" int __mingwthr_key_dtor(DWORD, void (*)(void*)) { return 0; }

// The system calls the entry point with a stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer, noreturn, used)) void WINAPI MurkleSetupStart() {
  RestrictDllSearch();  // before anything can load a DLL
  PrepareExceptionState();
  __set_app_type(2);    // _GUI_APP
  __main();
  std::exit(SetupMain(GetModuleHandleA(nullptr)));
}

// An exception that nothing catches ends the program at once. The runtime's
// default handler would print the exception's demangled type first, and its
// demangler alone is some 45 KB of this program.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
