// The sample product's main program. When started it writes started.txt
// beside its own executable (holding its command line and the program that
// started it) and ends: a visible trace that the installer, a shortcut or
// the finish page started it, and which way.
#include <windows.h>

#include <tlhelp32.h>

#include <string>

namespace {

// The file name of the program that started this one (explorer.exe when the
// desktop shell did), or "?" when it has ended meanwhile.
std::wstring StartedBy() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return L"?";
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  std::wstring name = L"?";
  for (int round = 0; round < 2; ++round) {
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      if (round == 0 && entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
      if (round == 1 && entry.th32ProcessID == parent) name = entry.szExeFile;
    }
  }
  CloseHandle(snapshot);
  return name;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return 1;
  path.resize(n);
  std::wstring::size_type slash = path.find_last_of(L"\\/");
  path = (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + L"started.txt";

  std::wstring line = L"Example started: ";
  line += commandLine ? commandLine : L"";
  line += L"\r\nStarted by: " + StartedBy() + L"\r\n";
  int bytes =
      WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr, nullptr);

  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  BOOL ok = WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == utf8.size() ? 0 : 3;
}
