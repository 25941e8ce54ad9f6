// The planted-DLL test's probe, started from a folder with planted DLLs.
//   plant_probe          starts and ends: a planted DLL loaded then comes with
//                        the imports of the known DLLs our programs import,
//                        before a program's first instruction
//   plant_probe NAME...  loads each DLL by name alone: every planted one must
//                        load, or planting proves nothing
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

namespace {

// One function of each DLL the programs import, so that the probe imports them too.
void* const volatile kImported[] = {
    reinterpret_cast<void*>(&::GetSystemMetrics), reinterpret_cast<void*>(&::GetStockObject),
    reinterpret_cast<void*>(&::CoTaskMemFree),    reinterpret_cast<void*>(&::SysFreeString),
    reinterpret_cast<void*>(&::ShellExecuteW),    reinterpret_cast<void*>(&::RegCloseKey),
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int loaded = 0;
  for (int i = 1; i < argc; ++i) loaded += ::LoadLibraryW(argv[i]) != nullptr;
  return kImported[0] && loaded == argc - 1 ? 0 : 1;
}
