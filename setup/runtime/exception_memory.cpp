// The memory of a thrown exception: the object and, right before it, the
// header the C++ runtime keeps with it. The runtime's own allocator adds an
// emergency pool for when the heap is exhausted (some 1 KB of code, and 64 KB
// taken from the heap at start-up); this program ends instead, as the runtime
// does once its pool is used up too.
#include <unwind.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <typeinfo>

#include "runtime.h"

namespace {

// The header, as the Itanium C++ ABI lays it out on these targets (not ARM's):
// the reference count of exception_ptr, then the exception's own record.
struct ExceptionRecord {
  std::type_info* exception_type;
  void (*destructor)(void*);
  std::terminate_handler unexpected_handler;
  std::terminate_handler terminate_handler;
  ExceptionRecord* next;
  int handler_count;
  int handler_switch_value;
  const unsigned char* action_record;
  const unsigned char* language_specific_data;
  _Unwind_Ptr catch_temp;
  void* adjusted_ptr;
  _Unwind_Exception unwind_header;
};

struct RefcountedHeader {
  int reference_count;
  ExceptionRecord record;
};

}  // namespace

const size_t kExceptionRecordSize = sizeof(ExceptionRecord);

extern "C" void* __cxa_allocate_exception(size_t thrown_size) noexcept {
  void* block = malloc(sizeof(RefcountedHeader) + thrown_size);
  if (!block) std::terminate();
  memset(block, 0, sizeof(RefcountedHeader));
  return static_cast<char*>(block) + sizeof(RefcountedHeader);
}

extern "C" void __cxa_free_exception(void* thrown) noexcept {
  free(static_cast<char*>(thrown) - sizeof(RefcountedHeader));
}

// The record of a rethrown exception_ptr: laid out as the record above (its
// first field points at the primary exception instead of naming a type).
extern "C" void* __cxa_allocate_dependent_exception() noexcept {
  void* record = calloc(1, sizeof(ExceptionRecord));
  if (!record) std::terminate();
  return record;
}

extern "C" void __cxa_free_dependent_exception(void* record) noexcept { free(record); }
