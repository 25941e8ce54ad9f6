// Installers for the end-to-end tests: copies of the built setup.exe with a
// package appended by PackageWriter, in the variants the tests need.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct InstallerContent {
  std::string productName = "Demo产品";
  std::string heading = "Demo产品安装程序";
  std::string notice = "版权所有 (C) 示例公司。保留所有权利。";
  std::string rights = "rights";
  std::string welcome = "欢迎使用Demo产品安装向导。本向导将引导您完成安装：继续请点击“下一步”。";
  std::string mainProgram = "\\bin\\demo.exe";
  std::string recordFile = "uninstall.exe";
  std::vector<std::uint8_t> picture;  // empty: none
  std::string agreement;              // empty: none
  bool corruptInfoHeader = false;     // info header total off by one
};

// A small 24-bit BMP picture: a blue square with a one-pixel dark frame;
// its top-left pixel is kPictureCorner.
std::vector<std::uint8_t> MakeTestPicture(int width, int height);
inline constexpr std::uint32_t kPictureCorner = 0x202020;  // 0xRRGGBB
inline constexpr std::uint32_t kPictureFill = 0x2E8B57;    // 0xRRGGBB

// The folder of the running test program (ends with "\").
std::wstring ProgramFolder();
// Folder for the tests' installers and screenshots below the build tree
// (created; ends with "\").
std::wstring WorkFolder(const wchar_t* name);

// The source tree (SETUP_SOURCE_DIR, a host path, as a Windows path ending
// with "\"), or empty when the variable is not set.
std::wstring SourceFolder();
// Runs a console program with arguments (each quoted) and waits for it.
bool RunConsoleProgram(const std::wstring& exe, const std::vector<std::wstring>& args, DWORD* exitCode);

// Writes `path`: the built setup.exe followed by a package with `content`.
// False with *error set when something fails.
bool MakeInstaller(const std::wstring& path, const InstallerContent& content, std::string* error);
// Writes `path`: the built setup.exe alone, without any package.
bool CopyStub(const std::wstring& path, std::string* error);

}  // namespace e2e
