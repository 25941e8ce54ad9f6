// The entry point of setup.exe and uninstall.exe (the link names it with
// -e), ahead of the C runtime's own WinMainCRTStartup.
//
// When the entry runs, the loader has mapped the program's imports (known
// DLLs only, which Windows takes from System32) and nothing else: neither
// the C runtime's start-up, nor the constructors of global objects, nor
// wWinMain have run. The DLL search is limited here first, so that no DLL
// that any of them, or a system DLL on their behalf, asks for by name can
// come from the program's folder. A TLS callback would run earlier still,
// but no earlier than the imports, and would run again for every thread.
#include "platform/ui/dll_search.h"

extern "C" int WinMainCRTStartup();

extern "C" int ProgramEntry() {
  ui::RestrictDllSearch();
  return WinMainCRTStartup();
}
