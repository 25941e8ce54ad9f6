#include "tests/e2e/test_installers.h"

#include <windows.h>

#include <cstring>

#include "package/package_layout.h"
#include "package/package_writer.h"

namespace e2e {
namespace {

bool ReadWhole(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = ::GetFileSizeEx(file, &size) != 0;
  if (ok) {
    bytes.resize(std::size_t(size.QuadPart));
    DWORD got = 0;
    ok = ::ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size();
  }
  ::CloseHandle(file);
  return ok;
}

bool WriteWhole(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

std::wstring StubPath() { return ProgramFolder() + L"setup.exe"; }

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(value >> (8 * i));
}

std::uint32_t GetLe32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[at + i]) << (8 * i);
  return v;
}

}  // namespace

std::vector<std::uint8_t> MakeTestPicture(int width, int height) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const std::uint32_t imageSize = std::uint32_t(rowBytes * height);
  std::vector<std::uint8_t> bmp(54 + imageSize, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLe32(bmp, 2, std::uint32_t(bmp.size()));
  PutLe32(bmp, 10, 54);
  PutLe32(bmp, 14, 40);
  PutLe32(bmp, 18, std::uint32_t(width));
  PutLe32(bmp, 22, std::uint32_t(height));
  bmp[26] = 1;   // planes
  bmp[28] = 24;  // bits per pixel
  PutLe32(bmp, 34, imageSize);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool frame = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      std::uint32_t rgb = frame ? kPictureCorner : kPictureFill;
      std::size_t at = 54 + std::size_t(height - 1 - y) * rowBytes + std::size_t(x) * 3;  // bottom-up
      bmp[at] = std::uint8_t(rgb);
      bmp[at + 1] = std::uint8_t(rgb >> 8);
      bmp[at + 2] = std::uint8_t(rgb >> 16);
    }
  }
  return bmp;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring WorkFolder(const wchar_t* name) {
  // bin\ lies directly below the build tree.
  std::wstring folder = ProgramFolder() + L"..\\" + name;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

std::wstring SourceFolder() {
  wchar_t value[MAX_PATH] = {};
  DWORD length = ::GetEnvironmentVariableW(L"SETUP_SOURCE_DIR", value, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring folder = value;
  if (!folder.empty() && folder[0] == L'/') {
    // A host path under Wine: the host's root is drive Z:.
    for (auto& c : folder)
      if (c == L'/') c = L'\\';
    folder = L"Z:" + folder;
  }
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool RunConsoleProgram(const std::wstring& exe, const std::vector<std::wstring>& args, DWORD* exitCode) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  for (const std::wstring& arg : args) commandLine += L" \"" + arg + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
    return false;
  bool ended = ::WaitForSingleObject(info.hProcess, 120000) == WAIT_OBJECT_0;
  if (ended)
    ::GetExitCodeProcess(info.hProcess, exitCode);
  else
    ::TerminateProcess(info.hProcess, 99);
  ::CloseHandle(info.hProcess);
  ::CloseHandle(info.hThread);
  return ended;
}

bool MakeInstaller(const std::wstring& path, const InstallerContent& content, std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWhole(StubPath(), bytes)) {
    *error = "cannot read setup.exe beside the test program";
    return false;
  }
  const std::size_t packageStart = bytes.size();
  VectorSink sink(bytes);
  PackageWriter writer(sink);
  PackageTexts texts{content.productName, content.heading, content.notice, content.rights, content.welcome};
  bool ok = writer.WriteInfo(texts, content.mainProgram, content.recordFile);
  if (ok && !content.picture.empty()) ok = writer.WritePicture(content.picture.data(), content.picture.size());
  if (ok && !content.agreement.empty())
    ok = writer.WriteAgreement(MakeDataBlob(content.agreement.data(), content.agreement.size()));
  if (ok) ok = writer.AddFolder("bin");
  if (ok) {
    const std::string program = "demo program";
    ok = writer.AddFile("bin\\demo.exe", MakeDataBlob(program.data(), program.size()));
  }
  if (ok) ok = writer.AddShortcut("Demo\\Demo", "bin\\demo.exe", "Demo");
  if (ok) ok = writer.Finish();
  if (!ok) {
    *error = "package writer: " + writer.Error();
    return false;
  }
  if (content.corruptInfoHeader) {
    // The info header's total no longer matches its five lengths.
    std::size_t info = std::size_t(writer.Trailer().infoOffset);
    if (info < packageStart || info + 4 > bytes.size()) {
      *error = "info block outside the package";
      return false;
    }
    PutLe32(bytes, info, GetLe32(bytes, info) + 1);
  }
  if (!WriteWhole(path, bytes)) {
    *error = "cannot write the installer";
    return false;
  }
  return true;
}

bool CopyStub(const std::wstring& path, std::string* error) {
  if (!::CopyFileW(StubPath().c_str(), path.c_str(), FALSE)) {
    *error = "cannot copy setup.exe";
    return false;
  }
  return true;
}

}  // namespace e2e
