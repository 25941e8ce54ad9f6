// Entry point of the test programs: Windows builds use -municode (wmain).
// On Windows, `--hold FILE MS` makes the program the other process of the
// install record tests instead: it holds FILE open without sharing, says so
// by creating FILE.held, and lets go after MS milliseconds.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"--hold") {
    HANDLE held = ::CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 1;
    HANDLE marker =
        ::CreateFileW((std::wstring(argv[2]) + L".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(marker);
    ::Sleep(DWORD(_wtoi(argv[3])));
    ::CloseHandle(held);
    return 0;
  }
#else
int main(int argc, char** argv) {
#endif
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
