// Each thread's C++ exception state, kept in one TLS slot of this program's own.
// The runtime finds the state through __cxa_get_globals, defined here.
#include "runtime.h"

#include <windows.h>

#include <cxxabi.h>

#include <cstdlib>

namespace {
DWORD g_slot = TLS_OUT_OF_INDEXES;
// The state is a pointer to the caught exceptions and a count of those in
// flight, both zero for a thread that has not thrown.
void* g_sharedState[2];
}  // namespace

void PrepareExceptionState() { g_slot = TlsAlloc(); }

namespace __cxxabiv1 {

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
  if (g_slot == TLS_OUT_OF_INDEXES) return reinterpret_cast<__cxa_eh_globals*>(g_sharedState);
  // TlsGetValue clears the thread's last error; a handler that reads it after
  // a throw must find what the failing call left.
  const DWORD last_error = GetLastError();
  void* state = TlsGetValue(g_slot);
  if (!state) {
    // A thread's first exception. Without its state the runtime could not go
    // on; its own version ends the program the same way. The block is not
    // freed when the thread ends: this program throws on its main thread.
    state = calloc(1, sizeof g_sharedState);
    if (!state || !TlsSetValue(g_slot, state)) std::abort();
  }
  SetLastError(last_error);
  return static_cast<__cxa_eh_globals*>(state);
}

extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept { return __cxa_get_globals(); }

}  // namespace __cxxabiv1
