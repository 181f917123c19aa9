// How the unwinder finds a frame's description (its FDE) in the program's
// unwind tables, on 32-bit x86 (the 64-bit build unwinds through the system's
// tables instead). libgcc's lookup sorts every registered table's entries for
// a binary search: some 10 KB of code and tables of its own. This program has
// one table, its own .eh_frame, which crtbegin.o registers at start-up: on the
// first throw the table's entries are read once into an index sorted by their
// code's start, and each lookup is a binary search in it. Without memory for
// the index, a walk through the table finds the entry all the same.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime.h"

namespace {

// The table's start, as crtbegin.o registers it, and the object it passes.
const unsigned char* g_frames = nullptr;
void* g_object = nullptr;

// Pointer encodings of the DWARF exception tables (DW_EH_PE_*): the format in
// the low four bits, how to apply it in the next three.
constexpr unsigned kOmit = 0xff;
constexpr unsigned kFormat = 0x0f, kPcRelative = 0x10;
constexpr unsigned kAbsolute = 0x00, kUleb128 = 0x01, kUdata2 = 0x02, kUdata4 = 0x03, kUdata8 = 0x04,
                   kSleb128 = 0x09, kSdata2 = 0x0a, kSdata4 = 0x0b, kSdata8 = 0x0c;

uint32_t Read32(const unsigned char* p) {
  uint32_t value;
  memcpy(&value, p, sizeof value);
  return value;
}

uintptr_t ReadUleb(const unsigned char*& p) {
  uintptr_t value = 0;
  unsigned shift = 0;
  unsigned char byte;
  do {
    byte = *p++;
    if (shift < 8 * sizeof value) value |= uintptr_t(byte & 0x7f) << shift;
    shift += 7;
  } while (byte & 0x80);
  return value;
}

// A pointer of encoding at p, which it passes. False for a format that no
// table of this program uses.
bool ReadEncoded(unsigned encoding, const unsigned char*& p, uintptr_t* value) {
  const unsigned char* at = p;
  uintptr_t read;
  switch (encoding & kFormat) {
    case kAbsolute:
    case kUdata4:
    case kSdata4:
      read = Read32(p);
      p += 4;
      break;
    case kUdata2:
    case kSdata2: {
      uint16_t half;
      memcpy(&half, p, sizeof half);
      read = (encoding & kFormat) == kSdata2 ? uintptr_t(int16_t(half)) : half;
      p += 2;
      break;
    }
    case kUleb128:
    case kSleb128:  // the values read here (an entry's range) are never negative
      read = ReadUleb(p);
      break;
    case kUdata8:
    case kSdata8:  // no 64-bit pointers here; skipped, and taken as none
      p += 8;
      read = 0;
      break;
    default:
      return false;
  }
  if (read != 0 && (encoding & 0x70) == kPcRelative) read += reinterpret_cast<uintptr_t>(at);
  *value = read;
  return true;
}

// How the entries of the common information entry (CIE) at cie encode their
// code addresses: its augmentation's 'R', absolute without one.
unsigned EntryEncoding(const unsigned char* cie) {
  const unsigned char* p = cie + 8;  // its length and its id
  const unsigned version = *p++;
  const char* augmentation = reinterpret_cast<const char*>(p);
  p += strlen(augmentation) + 1;
  ReadUleb(p);  // code alignment
  ReadUleb(p);  // data alignment (signed; only skipped)
  if (version == 1)
    ++p;  // the return address register
  else
    ReadUleb(p);
  if (augmentation[0] != 'z') return kAbsolute;
  ReadUleb(p);  // the length of what follows
  for (const char* letter = augmentation + 1; *letter; ++letter) {
    uintptr_t skipped;
    switch (*letter) {
      case 'R':
        return *p;
      case 'P': {
        const unsigned encoding = *p++;
        if (!ReadEncoded(encoding, p, &skipped)) return kOmit;
        break;
      }
      case 'L':
        ++p;
        break;
      default:  // 'S' and 'B' carry nothing
        break;
    }
  }
  return kAbsolute;
}

// An entry's code: where it starts, how long it is, and the entry.
struct CodeRange {
  uintptr_t start, size;
  const unsigned char* entry;
};
struct Index {
  size_t count;
  CodeRange ranges[1];
};
Index* volatile g_index = nullptr;

// Calls take(range) for each entry of the table that describes code, in the
// table's order. Entries are a length, then the distance back to their CIE (0
// for a CIE itself), then the code's start and length; a zero length ends the
// table. Entries share a few CIEs: each one's encoding is read once per walk.
template <typename Take>
void ForEachEntry(Take take) {
  const unsigned char* last_cie = nullptr;
  unsigned encoding = kOmit;
  for (const unsigned char* entry = g_frames; entry;) {
    const uint32_t length = Read32(entry);
    if (length == 0 || length == 0xffffffff) return;  // the end, or a 64-bit table
    const unsigned char* next = entry + 4 + length;
    const uint32_t cie_distance = Read32(entry + 4);
    if (cie_distance != 0) {
      const unsigned char* cie = entry + 4 - cie_distance;
      if (cie != last_cie) {
        last_cie = cie;
        encoding = EntryEncoding(cie);
      }
      const unsigned char* p = entry + 8;
      CodeRange range = {0, 0, entry};
      // A start of 0 is the entry of a function the linker left out.
      if (encoding != kOmit && ReadEncoded(encoding, p, &range.start) &&
          ReadEncoded(encoding & kFormat, p, &range.size) && range.start != 0 && !take(range))
        return;
    }
    entry = next;
  }
}

int ByStart(const void* a, const void* b) {
  const uintptr_t x = static_cast<const CodeRange*>(a)->start, y = static_cast<const CodeRange*>(b)->start;
  return x < y ? -1 : x > y ? 1 : 0;
}

// The index, made on first use. Threads that throw their first exception at
// once may each make one; the first kept serves all.
Index* GetIndex() {
  if (Index* index = g_index) return index;
  size_t count = 0;
  ForEachEntry([&](const CodeRange&) { return ++count, true; });
  Index* made = static_cast<Index*>(malloc(sizeof(Index) + count * sizeof(CodeRange)));
  if (!made) return nullptr;
  made->count = 0;
  ForEachEntry([&](const CodeRange& range) { return made->ranges[made->count++] = range, made->count < count; });
  qsort(made->ranges, made->count, sizeof(CodeRange), ByStart);
  if (Index* kept = static_cast<Index*>(InterlockedCompareExchangePointer(
          reinterpret_cast<void* volatile*>(&g_index), made, nullptr))) {
    free(made);
    return kept;
  }
  return made;
}

// The range that holds address, into found.
bool FindRange(uintptr_t address, CodeRange* found) {
  if (const Index* index = GetIndex()) {
    size_t low = 0, high = index->count;
    while (low < high) {
      const size_t mid = (low + high) / 2;
      if (index->ranges[mid].start <= address)
        low = mid + 1;
      else
        high = mid;
    }
    // The last range that starts at or below address.
    if (low == 0 || address - index->ranges[low - 1].start >= index->ranges[low - 1].size) return false;
    *found = index->ranges[low - 1];
    return true;
  }
  bool hit = false;
  ForEachEntry([&](const CodeRange& range) {
    hit = address - range.start < range.size;
    if (hit) *found = range;
    return !hit;
  });
  return hit;
}

}  // namespace

extern "C" {

void __register_frame_info(const void* begin, void* object) {
  // An empty table ends at once.
  if (!begin || Read32(static_cast<const unsigned char*>(begin)) == 0) return;
  g_frames = static_cast<const unsigned char*>(begin);
  g_object = object;
}

void* __deregister_frame_info(const void* begin) {
  if (begin != g_frames) return nullptr;
  g_frames = nullptr;
  return g_object;
}

// The entry whose code holds pc.
const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases) {
  CodeRange range;
  if (!FindRange(reinterpret_cast<uintptr_t>(pc), &range)) return nullptr;
  bases->tbase = nullptr;
  bases->dbase = nullptr;
  bases->func = reinterpret_cast<void*>(range.start);
  return range.entry;
}

}  // extern "C"
