// Each thread's C++ exception state, kept in one TLS slot of this program's own
// instead of the runtime's emulated thread-local storage, which costs some
// 2.5 KB of code. The runtime finds the state through __cxa_get_globals, which
// exception_state.cpp defines; that file must be an object of the program
// itself, so that the linker takes it before it looks into the runtime.
#ifndef MURKLE_PLATFORM_EXCEPTION_STATE_H
#define MURKLE_PLATFORM_EXCEPTION_STATE_H

// Takes the slot. Call once at start-up, before any thread but the first exists
// and while no exception is being thrown or handled. Until then, and for good
// if the system has no slot to give, every thread would share one state, which
// is right only while a single thread throws.
void PrepareExceptionState();

#endif
