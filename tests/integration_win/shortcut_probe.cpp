// Calls CreateShortcut once with the seven arguments given on the command
// line, so that a host script can inspect the written .lnk file with an
// independent reader. Exit code 0 when CreateShortcut reported success.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <cwchar>

#include "integration/win/create_shortcut.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 8) {
    std::fwprintf(stderr,
                  L"usage: shortcut_probe FOLDER_ID TARGET SUBFOLDER LINKNAME ICONPATH ICONINDEX DESCRIPTION\n");
    return 2;
  }
  CoInitialize(nullptr);
  const bool ok = CreateShortcut(_wtoi(argv[1]), argv[2], argv[3], argv[4], argv[5], _wtoi(argv[6]), argv[7]);
  CoUninitialize();
  return ok ? 0 : 1;
}
