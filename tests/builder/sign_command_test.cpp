// The signing command: how a command line splits into words, how {in} and
// {out} are filled in, and the Windows command line that hands the words on.
#include <gtest/gtest.h>

#include "builder/child_process.h"
#include "builder/sign_command.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

using Words = std::vector<std::string>;

TEST(SignCommand, SplitsAtBlanksAndKeepsQuotedBlanksAndBackslashes) {
  const std::vector<std::pair<std::string, Words>> cases = {
      {"osslsigncode sign -in {in} -out {out}", {"osslsigncode", "sign", "-in", "{in}", "-out", "{out}"}},
      {"  a\t b  ", {"a", "b"}},
      {R"(signtool sign /f "C:\certs\my cert.pfx" /p 'pa"ss' {in})",
       {"signtool", "sign", "/f", R"(C:\certs\my cert.pfx)", "/p", "pa\"ss", "{in}"}},
      {R"(x -in="{in}"x '' "")", {"x", "-in={in}x", "", ""}},
      {"签名 {in}", {"签名", "{in}"}},
  };
  for (const auto& [line, expected] : cases) {
    Words words;
    std::string error;
    ASSERT_TRUE(builder::SplitCommandLine(line, words, error)) << line << ": " << error;
    EXPECT_EQ(words, expected) << line;
  }
  for (const std::string line : {"", "   ", "sign 'x", "sign \"x'"}) {
    Words words;
    std::string error;
    EXPECT_FALSE(builder::SplitCommandLine(line, words, error)) << line;
    EXPECT_FALSE(error.empty());
  }
}

TEST(SignCommand, FillsInTheInstallerAndTheSignedCopy) {
  const Words words = {"tool", "-in", "{in}", "--out={out}", "{in}{out}", "{inx}"};
  EXPECT_EQ(builder::ExpandSignCommand(words, "/a b/i.exe", "/o.exe"),
            (Words{"tool", "-in", "/a b/i.exe", "--out=/o.exe", "/a b/i.exe/o.exe", "{inx}"}));
  EXPECT_TRUE(builder::WritesSignedCopy(words));
  EXPECT_FALSE(builder::WritesSignedCopy({"signtool", "sign", "{in}"}));
  std::string error;
  EXPECT_TRUE(builder::CheckSignCommand({"signtool", "sign", "{in}"}, error));
  EXPECT_FALSE(builder::CheckSignCommand({"tool", "-out", "{out}"}, error));
  EXPECT_NE(error.find("{in}"), std::string::npos);
}

TEST(SignCommand, WindowsCommandLineHandsEveryWordOnUnchanged) {
  const std::vector<std::pair<std::vector<std::wstring>, std::wstring>> cases = {
      {{L"signtool", L"sign", L"C:\\a\\b.exe"}, L"signtool sign C:\\a\\b.exe"},
      {{L"x", L"C:\\My Files\\", L""}, L"x \"C:\\My Files\\\\\" \"\""},
      {{L"x", L"say \"hi\"", L"a\\\"b"}, L"x \"say \\\"hi\\\"\" \"a\\\\\\\"b\""},
      {{L"签 名", L"\\\\server\\share"}, L"\"签 名\" \\\\server\\share"},
  };
  for (const auto& [words, line] : cases) {
    EXPECT_EQ(builder::WindowsCommandLine(words), line);
#ifdef _WIN32
    // Windows' own parsing gives the words back.
    int count = 0;
    LPWSTR* parsed = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(std::vector<std::wstring>(parsed, parsed + count), words);
    LocalFree(parsed);
#endif
  }
}

}  // namespace
