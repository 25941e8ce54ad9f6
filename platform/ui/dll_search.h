// Where setup.exe and uninstall.exe take their DLLs from.
//
// Both run with administrator rights from folders that others can write to
// (the download folder, the temporary folder). Windows looks for a DLL that
// is asked for by name alone in the program's own folder before System32,
// so a DLL placed beside the program would run with its rights. Therefore:
//  - the programs import only known DLLs (those Windows always maps from
//    System32; scripts/check-pe holds the list and checks the import tables);
//  - the program's entry (app/program_entry.cpp) calls RestrictDllSearch
//    before the C runtime starts and before any global object is built;
//  - every other DLL (common controls, GDI+, ...) is loaded with
//    LoadSystemDll, after that.
#pragma once

#include <windows.h>

namespace ui {

// Limits every later search for a DLL named without a folder to System32:
// SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), looked up at run
// time (Windows 7 without its loader update lacks it). Where it is missing,
// SetDllDirectoryW(L"") takes the current directory out of the search, and
// the DLLs that system DLLs load by name are loaded first by their full
// System32 path, so that a later request by name finds them already loaded.
// Uses kernel32 only and no C runtime: it runs before the runtime starts.
void RestrictDllSearch();

// A DLL of the system that is not a known DLL ("comctl32.dll"), loaded by
// name where the search is limited, or where the program's activation
// context redirects that name (the side-by-side common controls of the
// manifest); otherwise by its full System32 path. Null when it cannot be
// loaded. The DLL stays loaded until the process ends.
HMODULE LoadSystemDll(const wchar_t* name);

// The function `name` of `module`, typed as the system headers declare it:
// DllFunction<decltype(::InitCommonControlsEx)>(module, "InitCommonControlsEx").
// Null when the module or the function is missing.
template <class Function>
Function* DllFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace ui
