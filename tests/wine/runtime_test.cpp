// The C++ runtime of setup.exe and uninstall.exe on app/thread_runtime.cpp
// under several threads at once: a function-local static that is slow to
// build (its guard, lock and wait), exceptions thrown, caught and rethrown on
// every thread (the unwinder's set-up and lock, each thread's exception
// globals) and an allocation that fails. Exits 0 when all went as the
// language promises; a broken lock hangs until the test's time limit.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <thread>

namespace {

constexpr int kThreads = 8;
constexpr int kThrows = 2000;
volatile LONG g_built = 0;

struct Slow {
  int value;
  Slow() : value(42) {
    ::InterlockedIncrement(&g_built);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
};

int Shared() {
  static Slow slow;
  return slow.value;
}

struct Thrown {
  int value;
};

[[gnu::noinline]] void Throw(int value) { throw Thrown{value}; }

DWORD WINAPI Work(void* parameter) {
  const int seed = static_cast<int>(reinterpret_cast<INT_PTR>(parameter));
  if (Shared() != 42) return 1;
  for (int i = 0; i < kThrows; ++i) {
    // The rethrow takes the exception this thread caught last, from the
    // thread's own exception globals, while the other threads catch theirs.
    try {
      try {
        Throw(seed * kThrows + i);
        return 2;
      } catch (const Thrown&) {
        ::SwitchToThread();
        throw;
      }
    } catch (const Thrown& thrown) {
      if (thrown.value != seed * kThrows + i) return 3;
    }
  }
  return 0;
}

}  // namespace

int wmain() {
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = ::CreateThread(nullptr, 0, Work, reinterpret_cast<void*>(INT_PTR(i)), 0, nullptr);
    if (threads[i] == nullptr) return 10;
  }
  ::WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  int failures = 0;
  for (HANDLE thread : threads) {
    DWORD code = 99;
    ::GetExitCodeThread(thread, &code);
    ::CloseHandle(thread);
    if (code != 0) {
      std::fprintf(stderr, "a thread ended with %lu\n", code);
      ++failures;
    }
  }
  if (g_built != 1) {
    std::fprintf(stderr, "the static was built %ld times\n", g_built);
    ++failures;
  }
  try {
    volatile std::size_t huge = ~std::size_t(0) - 4096;
    // Called directly: a new-expression whose result is not used may be left out.
    void* p = ::operator new(huge);
    std::fprintf(stderr, "an impossible allocation succeeded\n");
    ::operator delete(p);
    ++failures;
  } catch (const std::bad_alloc&) {
  }
  return failures == 0 ? 0 : 1;
}
