// Worker start: a detached thread that frees its own start record.
#include "platform/ui/thread.h"

#include <process.h>

namespace ui {

namespace {

struct ThreadStart {
  AFX_THREADPROC proc;
  LPVOID param;
};

unsigned __stdcall ThreadEntry(void* raw) {
  ThreadStart start = *static_cast<ThreadStart*>(raw);
  delete static_cast<ThreadStart*>(raw);
  return start.proc(start.param);
}

}  // namespace

bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param) {
  if (!proc) return false;
  auto* start = new ThreadStart{proc, param};
  uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadEntry, start, 0, nullptr);
  if (handle == 0) {
    delete start;
    return false;
  }
  // Nobody waits for the worker: the handle is not needed.
  ::CloseHandle(reinterpret_cast<HANDLE>(handle));
  return true;
}

}  // namespace ui
