// The DLL the planted-DLL test puts beside the programs under the names of
// system DLLs: it exports nothing and runs no C runtime.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
