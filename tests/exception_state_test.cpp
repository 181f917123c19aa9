// The program's own exception state: per thread once the slot is taken, and
// what the runtime reads from it (exceptions in flight, the caught exception)
// right under threads that throw at the same time.
#include <windows.h>

#include <cxxabi.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <typeinfo>
#include <vector>

#include "runtime/runtime.h"

namespace {

// One throw and catch, checking each thing the runtime keeps in the state:
// the count in flight (seen from a destructor run by the unwinding), the
// caught exception (which a bare "throw;" rethrows) and the current one.
int ThrowAndCatch(int value) {
  struct Witness {
    int* seen;
    ~Witness() { *seen = std::uncaught_exceptions(); }
  };
  int in_flight = -1;
  try {
    try {
      Witness witness{&in_flight};
      throw value;
    } catch (int) {
      if (std::uncaught_exceptions() != 0) return -1;
      throw;
    }
  } catch (int caught) {
    if (in_flight != 1) return -2;
    if (!std::current_exception()) return -3;
    return caught;
  }
  return -4;
}

// Whether a second thread sees the exception that this thread is handling.
bool OtherThreadSeesCaughtException() {
  std::mutex lock;
  std::condition_variable changed;
  bool caught = false, looked = false;
  const std::type_info* seen = nullptr;
  std::thread other([&] {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return caught; });
    seen = abi::__cxa_current_exception_type();
    looked = true;
    changed.notify_all();
  });
  try {
    throw 42;
  } catch (int) {
    std::unique_lock<std::mutex> hold(lock);
    caught = true;
    changed.notify_all();
    changed.wait(hold, [&] { return looked; });
  }
  other.join();
  return seen != nullptr;
}

#if defined(__i386__)
int g_unwound = 0;
struct Counted {
  ~Counted() { ++g_unwound; }
};

// An exception thrown deep down, every frame with a destructor to run.
__attribute__((noinline)) void ThrowFrom(int depth) {
  Counted counted;
  if (depth == 0) throw depth;
  ThrowFrom(depth - 1);
}

// The program's own lookup of unwind entries: each function's from any
// address inside it, none for an address outside code, and a throw through
// many frames that runs every destructor on the way.
TEST(FrameLookup, FindsEveryFramesEntry) {
  dwarf_eh_bases bases = {};
  for (void* function : {reinterpret_cast<void*>(&ThrowAndCatch), reinterpret_cast<void*>(&ThrowFrom)}) {
    ASSERT_NE(_Unwind_Find_FDE(static_cast<char*>(function) + 1, &bases), nullptr);
    EXPECT_EQ(bases.func, function);
  }
  static int data;
  EXPECT_EQ(_Unwind_Find_FDE(&data, &bases), nullptr);
  g_unwound = 0;
  int caught = -1;
  try {
    ThrowFrom(30);
  } catch (int depth) {
    caught = depth;
  }
  EXPECT_EQ(caught, 0);
  EXPECT_EQ(g_unwound, 31);
}
#endif

TEST(ExceptionState, IsSharedUntilTheSlotIsTakenThenPerThread) {
  // Before start-up takes the slot all threads share one state: this shows
  // that the program's state, not the runtime's own, is the one in use.
  EXPECT_EQ(ThrowAndCatch(7), 7);
  EXPECT_TRUE(OtherThreadSeesCaughtException());

  PrepareExceptionState();
  EXPECT_EQ(ThrowAndCatch(8), 8);
  // A handler reads the error of the call that failed, not one of the state's.
  for (int round = 0; round < 2; ++round) {
    SetLastError(1234);
    try {
      throw round;
    } catch (int) {
      EXPECT_EQ(GetLastError(), 1234u) << "round " << round;
    }
  }
  EXPECT_FALSE(OtherThreadSeesCaughtException());

  // Threads throwing at once each find their own exceptions.
  constexpr int kThreads = 4, kRounds = 5000;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int round = 0; round < kRounds; ++round) {
        const int value = t * kRounds + round;
        if (ThrowAndCatch(value) != value) ++wrong[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
  EXPECT_EQ(std::uncaught_exceptions(), 0);
  EXPECT_EQ(abi::__cxa_current_exception_type(), nullptr);

  // The program allocates thrown exceptions itself: the runtime must find its
  // record of the caught one exactly where that allocator laid it out.
  try {
    throw 99;
  } catch (const int& caught) {
    const char* record = *reinterpret_cast<char**>(abi::__cxa_get_globals());
    EXPECT_EQ(record + kExceptionRecordSize, reinterpret_cast<const char*>(&caught));
  }
}

}  // namespace
