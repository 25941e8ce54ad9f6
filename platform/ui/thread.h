// Worker threads with the effect of the framework's AfxBeginThread: the
// thread runs proc(param) and ends; its bookkeeping frees itself, nobody
// waits for it and its handle is closed at once.
#pragma once

#include <windows.h>

namespace ui {

using AFX_THREADPROC = UINT (*)(LPVOID param);

// Starts proc(param) on a new thread. Returns true when the thread started.
bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param);

}  // namespace ui
