// The copy loop with its retry, skip and give-up answers, and the start-menu
// loop with the shortcut requests the wizard makes of its records.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "integration/install_record.h"
#include "integration/menu_path.h"
#include "laid_package.h"
#include "package/package_file.h"
#include "temp_folder.h"
#include "wizard/copy_loop.h"
#include "wizard/messages.h"

namespace wizard {
namespace {

// Entries 0..n-1: ExtractNext advances the cursor as the reader does and
// takes one scripted outcome per attempt ('+', '-'; then success), logged as
// "cursor outcome". The sink answers from its script: 'r' retry, 's' skip, 'g' give up.
class FakeSource : public CopySource {
 public:
  FakeSource(int count, std::string outcomes) : count_(count), outcomes_(std::move(outcomes)) {}
  int GetFileCount() override { return count_; }
  bool ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor) override {
    const bool ok = attempt_ >= outcomes_.size() || outcomes_[attempt_] == '+';
    ++attempt_;
    calls += std::to_wstring(cursor) + (ok ? L"+ " : L"- ");
    outPath = folder + L"f" + std::to_wstring(++cursor);
    return ok;
  }
  void CreateFolder(const std::wstring& path) override { created.push_back(path); }
  void OpenInstallRecord(const std::wstring& folder) override { calls += L"record " + folder; }
  std::wstring calls;
  std::vector<std::wstring> created;

 private:
  int count_;
  std::string outcomes_;
  std::size_t attempt_ = 0;
};

class FakeSink : public CopySink {
 public:
  explicit FakeSink(std::string answers = "") : answers_(std::move(answers)) {}
  void ReportCopied(const std::wstring& path) override { events += L"copied " + path + L"; "; }
  int AskRetry(const std::wstring& path) override {
    events += L"ask " + path + L"; ";
    const char answer = answers_.at(asked_++);
    return answer == 'r' ? RETRY_AGAIN : answer == 's' ? RETRY_SKIP : RETRY_GIVE_UP;
  }
  void ReportEnd() override { events += L"end"; }
  std::wstring events;

 private:
  std::string answers_;
  std::size_t asked_ = 0;
};

TEST(WizardLoops, CopyLoopAnswersToFailures) {
  // calls: the cursor before each attempt, and its outcome.
  const std::tuple<int, const char*, const char*, const wchar_t*, const wchar_t*, int, int, int, bool> cases[] = {
      {3, "", "", L"-1+ 0+ 1+ record ", L"copied f0; copied f1; copied f2; end", 3, 0, 0, false},
      {0, "", "", L"record ", L"end", 0, 0, 0, false},
      // Retry starts the failed entry again from its own cursor.
      {2, "+--+", "rr", L"-1+ 0- 0- 0+ record ", L"copied f0; ask f1; ask f1; copied f1; end", 2, 0, 2, false},
      {3, "-", "s", L"-1- 0+ 1+ record ", L"ask f0; copied f1; copied f2; end", 2, 1, 0, false},
      // Giving up still reports the end of copying, but opens no record.
      {3, "+-", "g", L"-1+ 0- ", L"copied f0; ask f1; end", 1, 0, 0, true},
  };
  for (const auto& [count, outcomes, answers, calls, events, extracted, skipped, retries, gaveUp] : cases) {
    FakeSource source(count, outcomes);
    FakeSink sink(answers);
    const CopyOutcome out = RunCopyLoop(L"", source, sink);
    EXPECT_EQ(source.calls, calls);
    EXPECT_EQ(sink.events, events);
    EXPECT_EQ(std::tie(out.extracted, out.skipped, out.retries, out.gaveUp),
              std::tie(extracted, skipped, retries, gaveUp))
        << outcomes << " " << answers;
  }
}

TEST(WizardLoops, CopyLoopMakesEveryLevelOfTheFolderAndStopsOnRequest) {
  FakeSource source(1, "");
  FakeSink sink;
  RunCopyLoop(L"D:\\Apps\\Vendor\\X\\", source, sink);
  EXPECT_EQ(source.created, (std::vector<std::wstring>{L"D:\\Apps", L"D:\\Apps\\Vendor", L"D:\\Apps\\Vendor\\X"}));
  EXPECT_EQ(sink.events, L"copied D:\\Apps\\Vendor\\X\\f0; end");  // one "\" between folder and name

  ASSERT_TRUE(g_continueInstall);  // true from the start
  FakeSource stopped(3, "");
  FakeSink stoppedSink;
  g_continueInstall = false;
  RunCopyLoop(L"D:\\X", stopped, stoppedSink);
  g_continueInstall = true;
  EXPECT_EQ(stoppedSink.events, L"end");
}

// The copy worker opens the record on the package's record file; when the
// wizard ends before the finish step, its destruction still appends the
// block, with the offset and the magic alone.
TEST(WizardLoops, TheRecordOfACopyNoFinishStepFollowed) {
  TempFolder dir;
  support::LaidPackage p;
  p.recordFile = "u.exe";
  p.entries = {{8, "u.exe", support::Blob("MZ uninstaller")}};
  support::WriteBytes(dir.Child("setup.exe"), p.Lay());
  PackageFile package;
  std::wstring t[5];
  ASSERT_TRUE(package.Open(dir.Wide(L"setup.exe"), 0) && package.ReadInfo(t[0], t[1], t[2], t[3], t[4]));
  PackageSource source(package);
  FakeSink sink;
  RunCopyLoop(dir.Wide(L"app"), source, sink);
  ASSERT_NE(g_pInstallRecord, nullptr);
  integration::CloseInstallRecord();
  EXPECT_EQ(g_pInstallRecord, nullptr);
  support::Bytes block(kInstallRecordSize, 0);
  block[0] = 14;  // the uninstaller's 14 bytes come first
  support::Put32(block, 8, PKG_MAGIC);
  const support::Bytes file = support::ReadBytes(dir.Child("app") / "u.exe");
  ASSERT_EQ(file.size(), 14u + kInstallRecordSize);
  EXPECT_EQ(support::Bytes(file.begin() + 14, file.end()), block);
}

// Shortcut records as the package holds them (menu path, target,
// description); an unreadable one is marked by its description "bad".
class FakeShortcuts : public ShortcutSource {
 public:
  std::vector<std::vector<std::wstring>> records;
  int GetShortcutCount() override { return static_cast<int>(records.size()); }
  bool ReadShortcut(std::wstring texts[3], int& cursor) override {
    const auto& r = records.at(static_cast<size_t>(++cursor));
    for (int i = 0; i < 3; ++i) texts[i] = r[i];
    return r[2] != L"bad";
  }
};

// Makes the request the wizard makes for each record it is handed.
class RequestSink : public StartMenuSink {
 public:
  void AddMenuItem(std::wstring record[3]) override {
    const integration::ShortcutRequest r = integration::MenuItemRequest(L"D:\\X", record, startMenuFolder);
    events += r.subFolder + L"|" + r.linkName + L"|" + r.target + L"|" + r.description + L"; ";
  }
  void ReportMenuItem(std::wstring record[3]) override { events += L"report " + record[0] + L"; "; }
  void ReportEnd() override { events += L"end"; }
  std::wstring events;
  std::wstring startMenuFolder = L"earlier";
};

TEST(WizardLoops, StartMenuLoopHandsOverUsableRecords) {
  FakeShortcuts source;
  source.records = {{L"A\\x", L"x.exe", L"d"},          {L"A\\y", L"y.exe", L"bad"}, {L"A\\none", L"", L"d"},
                    {L"C\\B\\C", L"\\bin\\c.exe", L""}, {L"\\B", L"b.exe", L""},     {L"plain", L"D:\\p.exe", L""}};
  RequestSink sink;
  EXPECT_EQ(RunStartMenuLoop(source, sink), 4);
  // Only the first level is a sub-folder; a leading backslash puts the link
  // straight into Programs; targets lie below the install folder.
  EXPECT_EQ(sink.events,
            L"A|x|D:\\X\\x.exe|d; report A\\x; C|B\\C|D:\\X\\bin\\c.exe|; report C\\B\\C; "
            L"|\\B|D:\\X\\b.exe|; report \\B; |plain|D:\\X\\D:\\p.exe|; report plain; end");
  EXPECT_EQ(sink.startMenuFolder, L"C");  // the install record names the last sub-folder

  FakeShortcuts none;
  RequestSink untouched;
  EXPECT_EQ(RunStartMenuLoop(none, untouched), 0);
  EXPECT_EQ(untouched.events, L"end");
  EXPECT_EQ(untouched.startMenuFolder, L"earlier");
}

}  // namespace
}  // namespace wizard
