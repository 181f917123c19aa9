// The setup program's own replacements for pieces of the C and C++ runtime. It
// ships as one small file, and each of these is taken because the piece it
// replaces brings code the program never runs. (Sizes on i686, -Os.)
//
//   startup.cpp          the C runtime's start-up object: command line and
//                        environment parsing, wildcards, run-time relocation,
//                        thread-local callbacks, signals (some 8 KB); also
//                        atexit, libgcc's thread-key destructor hook (1 KB of
//                        callback machinery) and the verbose terminate handler
//                        (its demangler is some 45 KB)
//   exception_state.cpp  the runtime's emulated thread-local exception state
//                        (some 2.5 KB): one TLS slot of our own
//   exception_memory.cpp the runtime's allocator of thrown exceptions, with its
//                        emergency pool (some 1 KB, and 64 KB of heap taken
//                        at start-up): plain malloc, and the end of the
//                        program when even that fails
//   frame_lookup.cpp     (32-bit x86 only) libgcc's lookup of a frame's unwind
//                        entry, which sorts every table for a binary search
//                        (some 10 KB with its own unwind tables): an index
//                        of the program's one table, made on the first throw
//   checksums.cpp        zlib's unrolled, table-driven adler32 and crc32
//                        (some 10 KB): the same values in a few hundred bytes
//   startfiles.gcc       the link settings that leave the replaced start files
//                        out, with the entry point (CMakeLists.txt here)
//
// The replacements must be objects of the program itself, so that the linker
// takes them before it looks into the libraries.
#ifndef MURKLE_RUNTIME_RUNTIME_H
#define MURKLE_RUNTIME_RUNTIME_H

// Takes the exception state's slot. Call once at start-up, before any thread
// but the first exists and while no exception is being thrown or handled.
// Until then, and for good if the system has no slot to give, every thread
// would share one state, which is right only while a single thread throws.
void PrepareExceptionState();

#include <cstddef>

// The size of the runtime's record of an exception, which sits right before
// each thrown object (exception_memory.cpp lays it out; the tests hold it to
// what the runtime finds there).
extern const size_t kExceptionRecordSize;

#if defined(__i386__)
// The unwinder's lookup of a frame's entry (frame_lookup.cpp): the entry whose
// code holds pc, or null; bases gets the function's start.
extern "C" {
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};
const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);
}
#endif

#endif
