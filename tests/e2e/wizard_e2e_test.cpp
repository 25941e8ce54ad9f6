// The installer's wizard end to end: the real setup.exe with packages
// appended, driven through its windows as a user would.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/e2e/test_installers.h"
#include "tests/e2e/wizard_driver.h"

namespace e2e {
namespace {

// Control ids of the wizard.
constexpr int kNext = IDOK;
constexpr int kCancel = IDCANCEL;
constexpr int kBack = 1011;
constexpr int kBrowse = 1010;
constexpr int kLanguage = 1006;
constexpr int kAgreement = 1007;
constexpr int kAgree = 1008;
constexpr int kPath = 1009;

constexpr int kPictureSize = 72;
constexpr std::uint32_t kHeadingColour = 0x055EAC;  // RGB(5, 94, 172)

// The page the wizard shows, read from what a user sees of its controls:
// 0 to 3 and 6, or -1 while a step runs (no buttons).
int VisiblePage(HWND wizard) {
  bool back = IsControlVisible(wizard, kBack);
  bool cancel = IsControlVisible(wizard, kCancel);
  if (IsControlVisible(wizard, kLanguage)) return 1;
  if (IsControlVisible(wizard, kAgreement)) return 2;
  if (IsControlVisible(wizard, kPath)) return 3;
  if (!cancel) return -1;
  return back ? 6 : 0;
}

bool WaitForPage(HWND wizard, int page, int timeoutMs = 10000) {
  return WaitUntil([&] { return VisiblePage(wizard) == page; }, timeoutMs);
}

std::wstring Screens() { return WorkFolder(L"screenshots"); }

// The Program Files folder an installer of this build's width is shown: a
// 32-bit program on 64-bit Windows gets the (x86) one.
std::wstring ProgramFiles() { return sizeof(void*) == 4 ? L"C:\\Program Files (x86)" : L"C:\\Program Files"; }

// Screenshot of the wizard's window after it has repainted.
Screenshot Shoot(HWND window, const std::wstring& name) {
  ::Sleep(400);
  Screenshot shot = CaptureScreen(WindowRectOnScreen(window));
  shot.Save(Screens() + name + L".bmp");
  return shot;
}

// Pixels of the heading colour inside the heading's band of the client area.
int HeadingPixels(HWND wizard) {
  ::Sleep(400);
  RECT client = ClientRectOnScreen(wizard);
  RECT band{client.left + 15, client.top + 20, client.right - 15, client.top + 100};
  Screenshot shot = CaptureScreen(band);
  int count = 0;
  for (std::uint32_t p : shot.pixels) {
    int r = int(p >> 16 & 0xFF), g = int(p >> 8 & 0xFF), b = int(p & 0xFF);
    if (std::abs(r - 5) < 24 && std::abs(g - 94) < 24 && std::abs(b - 172) < 24) ++count;
  }
  return count;
}

std::string Narrow(const std::wstring& text) {
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

InstallerContent FullContent() {
  InstallerContent content;
  content.picture = MakeTestPicture(kPictureSize, kPictureSize);
  content.agreement =
      "最终用户许可协议\r\n\r\n1. 本软件按“原样”提供。\r\n2. 您可以在一台计算机上安装和使用本软件。\r\n"
      "3. 未经许可，不得转售本软件。\r\n4. 本协议受适用法律管辖。\r\n";
  return content;
}

class WizardTest : public ::testing::Test {
 protected:
  // Makes the installer `name`.exe and starts it; the wizard in wizard_.
  void Launch(const std::wstring& name, const InstallerContent& content) {
    path_ = WorkFolder(L"e2e") + name + L".exe";
    std::string error;
    ASSERT_TRUE(MakeInstaller(path_, content, &error)) << error;
    Start(path_);
  }

  void Start(const std::wstring& path) {
    ASSERT_TRUE(run_.Start(path));
    wizard_ = run_.WaitForWizard();
    ASSERT_NE(wizard_, nullptr) << "no wizard window";
    ASSERT_TRUE(WaitForPage(wizard_, 0));
  }

  void Next(int expectedPage) {
    ASSERT_TRUE(ClickControl(wizard_, kNext)) << "Next is not visible";
    ASSERT_TRUE(WaitForPage(wizard_, expectedPage)) << "page is " << VisiblePage(wizard_);
  }

  void Back(int expectedPage) {
    ASSERT_TRUE(ClickControl(wizard_, kBack)) << "Back is not visible";
    ASSERT_TRUE(WaitForPage(wizard_, expectedPage)) << "page is " << VisiblePage(wizard_);
  }

  // Answers the message box that must be open now and returns its texts.
  MessageBoxTexts Answer(int button) {
    HWND box = run_.WaitForOtherDialog(5000);
    if (!box) return {};
    MessageBoxTexts texts = ReadMessageBox(box);
    AnswerDialog(box, button);
    return texts;
  }

  void QuitWithCancel() {
    ASSERT_TRUE(ClickControl(wizard_, kCancel));
    MessageBoxTexts box = Answer(IDOK);
    EXPECT_EQ(box.text, L"你确定要退出安装吗?");
    DWORD code = 1;
    ASSERT_TRUE(run_.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
  }

  std::wstring path_;
  InstallerRun run_;
  HWND wizard_ = nullptr;
};

// Pages 0 to 6 forward, with the agreement box, then back to 0; every page
// photographed. The wizard is 600 x 360, its picture at (30, 90).
TEST_F(WizardTest, WalksPagesForwardAndBack) {
  Launch(L"walk-setup", FullContent());
  RECT window = WindowRectOnScreen(wizard_);
  EXPECT_EQ(window.right - window.left, 600);
  EXPECT_EQ(window.bottom - window.top, 360);

  // Page 0: only Cancel and Next.
  EXPECT_FALSE(IsControlVisible(wizard_, kBack));
  EXPECT_TRUE(IsControlVisible(wizard_, kNext));
  EXPECT_TRUE(IsControlVisible(wizard_, kCancel));
  Screenshot page0 = Shoot(wizard_, L"page0-welcome");
  RECT client = ClientRectOnScreen(wizard_);
  int px = client.left - window.left + 30, py = client.top - window.top + 90;
  EXPECT_EQ(page0.At(px, py), kPictureCorner) << "picture corner not at (30, 90)";
  EXPECT_EQ(page0.At(px + 10, py + 10), kPictureFill);
  EXPECT_GT(HeadingPixels(wizard_), 50) << "no heading painted";

  Next(1);
  EXPECT_TRUE(IsControlVisible(wizard_, kBack));
  EXPECT_EQ(ControlText(wizard_, kLanguage), L"简体中文");
  Shoot(wizard_, L"page1-language");
  // The list opens and closes again with the selection kept.
  ASSERT_TRUE(ClickControl(wizard_, kLanguage));
  ::Sleep(300);
  {
    RECT shot = WindowRectOnScreen(wizard_);
    shot.bottom += 80;  // the open list may reach below the wizard
    CaptureScreen(shot).Save(Screens() + L"page1-language-open.bmp");
  }
  ASSERT_TRUE(ClickControl(wizard_, kLanguage));
  EXPECT_EQ(ControlText(wizard_, kLanguage), L"简体中文");
  EXPECT_EQ(VisiblePage(wizard_), 1);

  // Page 2: Next hidden until the agreement is ticked, with each click.
  Next(2);
  EXPECT_FALSE(IsControlVisible(wizard_, kNext));
  EXPECT_NE(ControlText(wizard_, kAgreement).find(L"最终用户许可协议"), std::wstring::npos);
  Shoot(wizard_, L"page2-agreement");
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  EXPECT_TRUE(WaitUntil([&] { return IsControlVisible(wizard_, kNext); }, 3000));
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  EXPECT_TRUE(WaitUntil([&] { return !IsControlVisible(wizard_, kNext); }, 3000));
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  EXPECT_TRUE(WaitUntil([&] { return IsControlVisible(wizard_, kNext); }, 3000));
  Shoot(wizard_, L"page2-agreed");

  // Page 3: the default folder is Program Files\product.
  Next(3);
  std::wstring folder = ControlText(wizard_, kPath);
  EXPECT_EQ(folder, ProgramFiles() + L"\\Demo产品") << Narrow(folder);
  Shoot(wizard_, L"page3-folder");

  // Next runs the environment check (page 4) and lands on the confirmation.
  Next(6);
  EXPECT_TRUE(IsControlVisible(wizard_, kNext));
  EXPECT_TRUE(IsControlVisible(wizard_, kCancel));
  Shoot(wizard_, L"page6-confirm");

  Back(3);
  Back(2);
  EXPECT_TRUE(IsControlVisible(wizard_, kNext)) << "ticked agreement keeps Next";
  Back(1);
  Back(0);
  EXPECT_FALSE(IsControlVisible(wizard_, kBack));
  QuitWithCancel();
}

// From the confirmation the steps run on their own to page 12, where the
// wizard hides itself and hands over to the finish dialog; "完成" ends it.
TEST_F(WizardTest, RunsFromConfirmationToTheEnd) {
  Launch(L"run-setup", FullContent());
  Next(1);
  Next(2);
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  Next(3);
  // An install folder of the test world's own.
  const std::wstring folder = WorkFolder(L"e2e") + L"run-installed";
  ASSERT_TRUE(TypeText(wizard_, kPath, folder));
  Next(6);
  ASSERT_TRUE(ClickControl(wizard_, kNext));
  HWND finish = run_.WaitForOtherDialog(30000);
  ASSERT_NE(finish, nullptr) << "no finish dialog";
  EXPECT_FALSE(::IsWindowVisible(wizard_)) << "wizard stays visible under the finish dialog";
  ::Sleep(400);
  CaptureScreen(WindowRectOnScreen(finish)).Save(Screens() + L"page12-finish.bmp");
  EXPECT_EQ(ReadMessageBox(finish).caption, L"安装完成");
  EXPECT_NE(::GetFileAttributesW((folder + L"\\bin\\demo.exe").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the package's file was not installed";
  // Nothing to start or link in this test: clear the three choices, then "完成".
  for (int id : {1003, 1004, 1005}) ::SendMessageW(::GetDlgItem(finish, id), BM_SETCHECK, BST_UNCHECKED, 0);
  ASSERT_TRUE(AnswerDialog(finish, IDOK));
  DWORD code = 1;
  ASSERT_TRUE(run_.WaitForExit(15000, &code)) << "wizard did not end after the finish dialog";
  EXPECT_EQ(code, 0u);
}

// Enter on page 2 does not pass an agreement that is not ticked; with the
// box ticked through the mouse, Enter moves on.
TEST_F(WizardTest, AgreementGatesMouseAndKeyboard) {
  Launch(L"agree-setup", FullContent());
  PressKey(wizard_, VK_RETURN);  // Enter on page 0 is Next
  ASSERT_TRUE(WaitForPage(wizard_, 1));
  Next(2);
  PressKey(wizard_, VK_RETURN);
  ::Sleep(500);
  EXPECT_EQ(VisiblePage(wizard_), 2) << "Enter passed an unticked agreement";
  EXPECT_FALSE(IsControlVisible(wizard_, kNext));

  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  ASSERT_TRUE(WaitUntil([&] { return IsControlVisible(wizard_, kNext); }, 3000));
  // The box has the focus now: Space unticks it and Enter stays again.
  PressKey(wizard_, VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return !IsControlVisible(wizard_, kNext); }, 3000)) << "Space did not untick";
  PressKey(wizard_, VK_RETURN);
  ::Sleep(500);
  EXPECT_EQ(VisiblePage(wizard_), 2);
  // Enter reached the (hidden) Next button, which took the focus; the box
  // is ticked with the mouse again.
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  ASSERT_TRUE(WaitUntil([&] { return IsControlVisible(wizard_, kNext); }, 3000));
  PressKey(wizard_, VK_RETURN);
  EXPECT_TRUE(WaitForPage(wizard_, 3)) << "page is " << VisiblePage(wizard_);
  QuitWithCancel();
}

// The folder picker opens over the wizard; cancelled, nothing changes.
TEST_F(WizardTest, BrowseCancelledKeepsTheFolder) {
  Launch(L"browse-setup", FullContent());
  Next(1);
  Next(2);
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  Next(3);
  const std::wstring before = ControlText(wizard_, kPath);
  ASSERT_TRUE(ClickControl(wizard_, kBrowse));
  HWND picker = run_.WaitForOtherDialog(10000);
  ASSERT_NE(picker, nullptr) << "no folder picker";
  ::Sleep(500);
  CaptureScreen(WindowRectOnScreen(picker)).Save(Screens() + L"page3-browse.bmp");
  ASSERT_TRUE(AnswerDialog(picker, IDCANCEL));
  EXPECT_EQ(ControlText(wizard_, kPath), before);
  EXPECT_EQ(VisiblePage(wizard_), 3);
  QuitWithCancel();
}

// A folder picked in the folder picker gets "\" (unless it ends with one)
// and the product's folder name; the confirmation then names it.
TEST_F(WizardTest, BrowsePickedFolderGetsProductFolder) {
  Launch(L"pick-setup", FullContent());
  Next(1);
  Next(2);
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  Next(3);
  ASSERT_TRUE(ClickControl(wizard_, kBrowse));
  HWND picker = run_.WaitForOtherDialog(10000);
  ASSERT_NE(picker, nullptr) << "no folder picker";
  HWND tree = ::FindWindowExW(picker, nullptr, L"SysTreeView32", nullptr);
  ASSERT_NE(tree, nullptr) << "the picker has no folder tree";
  // The first folder below the top of the tree (item handles cross processes as numbers).
  LPARAM root = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  ASSERT_NE(root, 0);
  LPARAM first = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, root);
  ASSERT_NE(first, 0);
  ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, first);
  ::Sleep(300);
  ASSERT_TRUE(AnswerDialog(picker, IDOK));
  const std::wstring folder = ControlText(wizard_, kPath);
  const std::wstring tail = L"\\Demo产品";
  ASSERT_GT(folder.size(), tail.size()) << Narrow(folder);
  EXPECT_EQ(folder.substr(folder.size() - tail.size()), tail) << Narrow(folder);
  EXPECT_EQ(folder.find(L"\\\\"), std::wstring::npos) << "doubled backslash: " << Narrow(folder);
  EXPECT_EQ(folder[1], L':') << Narrow(folder);
  Shoot(wizard_, L"page3-picked");
  Next(6);
  Back(3);
  EXPECT_EQ(ControlText(wizard_, kPath), folder);
  QuitWithCancel();
}

// Typing into the see-through path field repaints the band behind it: a
// shorter text leaves nothing of a longer one behind.
TEST_F(WizardTest, PathFieldRepaintsWhenTyping) {
  Launch(L"typing-setup", FullContent());
  Next(1);
  Next(2);
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  Next(3);
  ASSERT_TRUE(TypeText(wizard_, kPath, L"C:\\WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
  ::Sleep(300);
  ASSERT_TRUE(TypeText(wizard_, kPath, L"C:\\W"));
  ::Sleep(500);
  // The right part of the field (client x 250 to 490), inside its border.
  RECT client = ClientRectOnScreen(wizard_);
  RECT right{client.left + 250, client.top + 213, client.left + 490, client.top + 229};
  Screenshot shot = CaptureScreen(right);
  int dark = 0;
  for (std::uint32_t p : shot.pixels)
    if ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF) < 3 * 128) ++dark;
  EXPECT_EQ(dark, 0) << "old text left in the path field";
  Shoot(wizard_, L"page3-retyped");
  QuitWithCancel();
}

// Cancel asks; "Cancel" in the question keeps the wizard, Esc asks again,
// "OK" ends it.
TEST_F(WizardTest, CancelAnsweredBothWays) {
  Launch(L"cancel-setup", FullContent());
  Next(1);
  ASSERT_TRUE(ClickControl(wizard_, kCancel));
  HWND box = run_.WaitForOtherDialog(5000);
  ASSERT_NE(box, nullptr);
  ::Sleep(400);
  CaptureScreen(WindowRectOnScreen(box)).Save(Screens() + L"cancel-question.bmp");
  MessageBoxTexts texts = ReadMessageBox(box);
  EXPECT_EQ(texts.caption, L"退出");
  EXPECT_EQ(texts.text, L"你确定要退出安装吗?");
  ASSERT_TRUE(AnswerDialog(box, IDCANCEL));
  ::Sleep(300);
  EXPECT_TRUE(run_.IsRunning());
  EXPECT_EQ(VisiblePage(wizard_), 1);

  PressKey(wizard_, VK_ESCAPE);
  MessageBoxTexts again = Answer(IDCANCEL);
  EXPECT_EQ(again.text, L"你确定要退出安装吗?");
  EXPECT_TRUE(run_.IsRunning());

  PressAltF4(wizard_);
  MessageBoxTexts third = Answer(IDOK);
  EXPECT_EQ(third.caption, L"退出");
  DWORD code = 1;
  ASSERT_TRUE(run_.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

// A folder that cannot be installed into keeps the wizard on page 3; a good
// one typed by hand is taken with the spaces and dots at the ends of its
// components trimmed, as Windows would create it.
TEST_F(WizardTest, InvalidFolderStaysOnFolderPage) {
  Launch(L"folder-setup", FullContent());
  Next(1);
  Next(2);
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  Next(3);
  // 247 units: a folder CreateDirectoryW still makes, but "bin\demo.exe" below
  // it would pass MAX_PATH.
  const std::wstring tooDeep = L"C:\\" + std::wstring(244, L'd');
  for (const std::wstring& bad : {std::wstring(L"relative\\folder"), std::wstring(L"C:\\bad|name"),
                                  std::wstring(L"C:\\CON\\App"), std::wstring(L"C:\\windows\\win.ini"), tooDeep}) {
    ASSERT_TRUE(TypeText(wizard_, kPath, bad));
    ASSERT_TRUE(ClickControl(wizard_, kNext));
    MessageBoxTexts box = Answer(IDOK);
    EXPECT_EQ(box.text, L"安装路径无效, 请重新输入或点击“浏览”选择安装路径!") << Narrow(bad);
    ::Sleep(200);
    EXPECT_EQ(VisiblePage(wizard_), 3) << Narrow(bad);
  }
  ASSERT_TRUE(TypeText(wizard_, kPath, L"C:\\Apps. \\Demo "));
  Shoot(wizard_, L"page3-typed");
  Next(6);
  Shoot(wizard_, L"page6-typed-folder");
  Back(3);
  EXPECT_EQ(ControlText(wizard_, kPath), L"C:\\Apps\\Demo");
  EXPECT_EQ(::GetFileAttributesW(L"C:\\Apps"), INVALID_FILE_ATTRIBUTES) << "the folder check created a folder";
  QuitWithCancel();
}

// How a button's face looks on the screen: the average channel sum
// (brightness) and the average spread between channels (saturation).
struct FaceLook {
  double brightness = 0;
  double saturation = 0;
};

FaceLook LookOf(HWND wizard, int id) {
  RECT rect = WindowRectOnScreen(::GetDlgItem(wizard, id));
  Screenshot shot = CaptureScreen(rect);
  FaceLook look;
  for (std::uint32_t p : shot.pixels) {
    int r = int(p >> 16 & 0xFF), g = int(p >> 8 & 0xFF), b = int(p & 0xFF);
    look.brightness += r + g + b;
    look.saturation += std::max({r, g, b}) - std::min({r, g, b});
  }
  if (!shot.pixels.empty()) {
    look.brightness /= double(shot.pixels.size());
    look.saturation /= double(shot.pixels.size());
  }
  return look;
}

// The pointer over a button shows its hot face, clearly lighter or more
// saturated than the idle one; moving away brings the idle face back.
TEST_F(WizardTest, ButtonFacesFollowThePointer) {
  Launch(L"hover-setup", FullContent());
  Next(1);  // Back is shown from page 1 on
  for (int id : {kNext, kBack, kCancel}) {
    RECT window = WindowRectOnScreen(wizard_);
    ::SetCursorPos(window.left + 300, window.top + 40);  // over the heading
    ::Sleep(1000);                                       // time for the mouse tracking to end any hover
    FaceLook idle = LookOf(wizard_, id);
    RECT button = WindowRectOnScreen(::GetDlgItem(wizard_, id));
    ::SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    ::Sleep(400);
    FaceLook hot = LookOf(wizard_, id);
    ::SetCursorPos(window.left + 300, window.top + 40);
    EXPECT_TRUE(hot.brightness > idle.brightness + 20 || hot.saturation > idle.saturation + 15)
        << "button " << id << ": hot " << hot.brightness << "/" << hot.saturation << ", idle " << idle.brightness << "/"
        << idle.saturation;
    // Leaving is noticed through mouse tracking, which may take a moment.
    double idleAgain = 0;
    EXPECT_TRUE(
        WaitUntil([&] { return std::abs((idleAgain = LookOf(wizard_, id).brightness) - idle.brightness) < 2.0; }, 3000))
        << "button " << id << " stays hot: " << idleAgain << " vs " << idle.brightness;
  }
  QuitWithCancel();
}

// The program without a package says it is damaged and never shows the wizard.
TEST(WizardStartTest, StubWithoutPackageIsDamaged) {
  const std::wstring path = WorkFolder(L"e2e") + L"bare-setup.exe";
  std::string error;
  ASSERT_TRUE(CopyStub(path, &error)) << error;
  InstallerRun run;
  ASSERT_TRUE(run.Start(path));
  HWND box = run.WaitForOtherDialog(10000);
  ASSERT_NE(box, nullptr);
  ::Sleep(300);
  CaptureScreen(WindowRectOnScreen(box)).Save(Screens() + L"start-damaged.bmp");
  MessageBoxTexts texts = ReadMessageBox(box);
  EXPECT_EQ(texts.text, L"安装程序已经损坏!");
  EXPECT_EQ(texts.caption, L"bare-setup") << "default caption is the program's name";
  EXPECT_EQ(run.WaitForWizard(200), nullptr) << "wizard shown although the package is missing";
  ASSERT_TRUE(AnswerDialog(box, IDOK));
  DWORD code = 1;
  ASSERT_TRUE(run.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

TEST(WizardStartTest, UnreadableInfoHeader) {
  const std::wstring path = WorkFolder(L"e2e") + L"badinfo-setup.exe";
  InstallerContent content;
  content.corruptInfoHeader = true;
  std::string error;
  ASSERT_TRUE(MakeInstaller(path, content, &error)) << error;
  InstallerRun run;
  ASSERT_TRUE(run.Start(path));
  HWND box = run.WaitForOtherDialog(10000);
  ASSERT_NE(box, nullptr);
  MessageBoxTexts texts = ReadMessageBox(box);
  EXPECT_EQ(texts.text, L"读取初始话安装信息失败!");
  EXPECT_EQ(texts.caption, L"badinfo-setup");
  EXPECT_EQ(run.WaitForWizard(200), nullptr);
  ASSERT_TRUE(AnswerDialog(box, IDOK));
  ASSERT_TRUE(run.WaitForExit(10000));
}

// No picture, no agreement: the wizard runs without them.
TEST_F(WizardTest, PackageWithoutPictureAndAgreement) {
  InstallerContent content;  // no picture, no agreement
  Launch(L"plain-setup", content);
  Screenshot page0 = Shoot(wizard_, L"plain-page0");
  RECT window = WindowRectOnScreen(wizard_);
  RECT client = ClientRectOnScreen(wizard_);
  int px = client.left - window.left + 30, py = client.top - window.top + 90;
  EXPECT_NE(page0.At(px, py), kPictureCorner);
  EXPECT_NE(page0.At(px + 10, py + 10), kPictureFill);
  Next(1);
  Next(2);
  EXPECT_EQ(ControlText(wizard_, kAgreement), L"");
  Shoot(wizard_, L"plain-page2");
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  Next(3);
  Next(6);
  QuitWithCancel();
}

// An empty heading paints nothing in the heading's band.
TEST_F(WizardTest, EmptyHeadingPaintsNoHeading) {
  InstallerContent content = FullContent();
  content.heading.clear();
  Launch(L"noheading-setup", content);
  Shoot(wizard_, L"noheading-page0");
  EXPECT_EQ(HeadingPixels(wizard_), 0);
  QuitWithCancel();
}

// The sample product made into an installer by mksetup, walked to the
// confirmation page.
TEST_F(WizardTest, SampleProductBuiltByMksetup) {
  const std::wstring source = SourceFolder();
  ASSERT_FALSE(source.empty()) << "SETUP_SOURCE_DIR is not set";
  const std::wstring installer = WorkFolder(L"e2e") + L"Example-setup.exe";
  ::DeleteFileW(installer.c_str());
  DWORD code = 1;
  ASSERT_TRUE(RunConsoleProgram(
      ProgramFolder() + L"mksetup.exe",
      {L"build", source + L"examples\\sample\\setup.toml", L"-o", installer, L"--stub", ProgramFolder() + L"setup.exe"},
      &code));
  ASSERT_EQ(code, 0u) << "mksetup build failed";

  Start(installer);
  EXPECT_GT(HeadingPixels(wizard_), 50);
  Shoot(wizard_, L"sample-page0");
  Next(1);
  Next(2);
  EXPECT_NE(ControlText(wizard_, kAgreement), L"");
  ASSERT_TRUE(ClickControl(wizard_, kAgree));
  Shoot(wizard_, L"sample-page2");
  Next(3);
  EXPECT_EQ(ControlText(wizard_, kPath), ProgramFiles() + L"\\Example");
  Next(6);
  Shoot(wizard_, L"sample-page6");
  QuitWithCancel();
}

}  // namespace
}  // namespace e2e
