// The POSIX thread functions that the C++ runtime calls, defined here over
// Windows' own primitives for setup.exe and uninstall.exe.
//
// The toolchain's C++ runtime takes its locks, its one-time initialisation
// and its thread-local values (the unwinder's tables, the emergency
// exception pool, each thread's exception globals, function-local statics)
// from the POSIX thread library. Linked, that library brings its whole
// thread machinery along: about 34 KiB of the 32-bit installer, for
// programs that start their threads with _beginthreadex and CreateThread.
// What the runtime uses of it:
//  - mutexes: a slim reader/writer lock in the mutex's pointer-sized
//    storage. The library's static initialisers (-1 plain, -2 recursive,
//    -3 error-checking) become an unlocked lock on first use; no thread
//    takes one of the runtime's mutexes twice.
//  - condition variables: a Windows condition variable, in the same way.
//  - once: a flag that goes from 0 (not run) to 1 (running) to 2 (done).
//  - keys: thread-local storage slots. A key's destructor does not run when
//    a thread ends: the runtime's one key holds a thread's few bytes of
//    exception globals, and the programs start a handful of threads.
//  - nanosleep: Sleep, in milliseconds.
// This file has to define every function the runtime calls: one left out
// would bring the library's object that holds it, and with it the
// library's own definitions of the others ("multiple definition").
#include <windows.h>

#include <cstdint>
#include <ctime>

namespace {

// The library's types: pthread_mutex_t and pthread_cond_t are intptr_t,
// pthread_once_t is long, pthread_key_t unsigned.
using MutexStorage = std::intptr_t;
using CondStorage = std::intptr_t;
static_assert(sizeof(SRWLOCK) == sizeof(MutexStorage) && alignof(SRWLOCK) <= alignof(MutexStorage));
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(CondStorage) && alignof(CONDITION_VARIABLE) <= alignof(CondStorage));

constexpr long kOnceRunning = 1, kOnceDone = 2;
constexpr int kTryAgain = 11, kInvalid = 22;  // EAGAIN, EINVAL

// The storage as the Windows object it holds; a static initialiser is
// replaced by the object's own (zero), by whichever thread comes first.
template <typename Object>
Object* Prepared(std::intptr_t* storage) {
  for (std::intptr_t initialiser = -3; initialiser <= -1; ++initialiser) {
    if (*static_cast<volatile std::intptr_t*>(storage) == initialiser)
      ::InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(storage), nullptr,
                                          reinterpret_cast<void*>(initialiser));
  }
  return reinterpret_cast<Object*>(storage);
}

}  // namespace

extern "C" {

int pthread_mutex_init(MutexStorage* mutex, const void*) {
  *mutex = 0;
  return 0;
}

int pthread_mutex_destroy(MutexStorage*) { return 0; }

int pthread_mutex_lock(MutexStorage* mutex) {
  ::AcquireSRWLockExclusive(Prepared<SRWLOCK>(mutex));
  return 0;
}

int pthread_mutex_unlock(MutexStorage* mutex) {
  ::ReleaseSRWLockExclusive(Prepared<SRWLOCK>(mutex));
  return 0;
}

int pthread_cond_wait(CondStorage* cond, MutexStorage* mutex) {
  ::SleepConditionVariableSRW(Prepared<CONDITION_VARIABLE>(cond), Prepared<SRWLOCK>(mutex), INFINITE, 0);
  return 0;
}

int pthread_cond_broadcast(CondStorage* cond) {
  ::WakeAllConditionVariable(Prepared<CONDITION_VARIABLE>(cond));
  return 0;
}

int pthread_once(long* once, void (*routine)()) {
  if (::InterlockedCompareExchange(once, kOnceRunning, 0) == 0) {
    routine();
    ::InterlockedExchange(once, kOnceDone);
  } else {
    while (*static_cast<volatile long*>(once) != kOnceDone) ::SwitchToThread();
  }
  return 0;
}

int pthread_key_create(unsigned* key, void (*)(void*)) {
  const DWORD slot = ::TlsAlloc();
  if (slot == TLS_OUT_OF_INDEXES) return kTryAgain;
  *key = slot;
  return 0;
}

void* pthread_getspecific(unsigned key) { return ::TlsGetValue(key); }

int pthread_setspecific(unsigned key, const void* value) {
  return ::TlsSetValue(key, const_cast<void*>(value)) ? 0 : kInvalid;
}

int nanosleep(const struct timespec* request, struct timespec* remain) {
  const long long ms = static_cast<long long>(request->tv_sec) * 1000 + request->tv_nsec / 1000000;
  ::Sleep(ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms));
  if (remain != nullptr) *remain = timespec{};
  return 0;
}

}  // extern "C"
