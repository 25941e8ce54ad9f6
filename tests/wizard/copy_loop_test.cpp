#include "wizard/copy_loop.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "wizard/install_paths.h"
#include "wizard/messages.h"

namespace wizard {
namespace {

// Entries 0..n-1; ExtractNext consumes one scripted outcome per attempt
// (true when the script is exhausted) and always advances the cursor.
class FakeSource : public CopySource {
 public:
  explicit FakeSource(int count) : count_(count) {}
  std::deque<bool> outcomes;
  std::vector<int> cursorsSeen;
  std::vector<std::wstring> folders;
  std::vector<std::wstring> created;

  int GetFileCount() override { return count_; }
  bool ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor) override {
    cursorsSeen.push_back(cursor);
    folders.push_back(folder);
    int entry = cursor + 1;
    cursor = entry;
    outPath = folder + L"f" + std::to_wstring(entry);
    bool ok = true;
    if (!outcomes.empty()) {
      ok = outcomes.front();
      outcomes.pop_front();
    }
    return ok;
  }
  void CreateFolder(const std::wstring& path) override { created.push_back(path); }

 private:
  int count_;
};

class FakeSink : public CopySink {
 public:
  std::deque<int> answers;
  std::vector<std::wstring> events;
  void ReportCopied(const std::wstring& path) override { events.push_back(L"copied " + path); }
  int AskRetry(const std::wstring& path) override {
    events.push_back(L"ask " + path);
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  void ReportEnd() override { events.push_back(L"end"); }
};

using Events = std::vector<std::wstring>;

TEST(CopyLoop, CopiesEveryEntryBelowTheFolder) {
  FakeSource source(3);
  FakeSink sink;
  CopyOutcome out = RunCopyLoop(L"D:\\X", source, sink);
  EXPECT_EQ(source.created, std::vector<std::wstring>{L"D:\\X"});
  EXPECT_EQ(sink.events, (Events{L"copied D:\\X\\f0", L"copied D:\\X\\f1", L"copied D:\\X\\f2", L"end"}));
  EXPECT_EQ(out.extracted, 3);
  EXPECT_FALSE(out.gaveUp);
}

// A folder typed below folders that do not exist yet gets all of them,
// outermost first; a network path starts below its share.
TEST(CopyLoop, CreatesEveryMissingLevelOfTheFolderOutermostFirst) {
  FakeSource source(0);
  FakeSink sink;
  RunCopyLoop(L"D:\\Apps\\Vendor\\\\X\\", source, sink);
  EXPECT_EQ(source.created, (std::vector<std::wstring>{L"D:\\Apps", L"D:\\Apps\\Vendor", L"D:\\Apps\\Vendor\\\\X"}));
  EXPECT_EQ(sink.events, Events{L"end"});
  EXPECT_EQ(FolderLevels(L"\\\\srv\\share\\A\\B"),
            (std::vector<std::wstring>{L"\\\\srv\\share\\A", L"\\\\srv\\share\\A\\B"}));
  EXPECT_EQ(FolderLevels(L"C:\\"), std::vector<std::wstring>{});
  EXPECT_EQ(FolderLevels(L""), std::vector<std::wstring>{L""});
}

TEST(CopyLoop, DestinationGetsOneBackslash) {
  FakeSource withSlash(1), empty(1);
  FakeSink a, b;
  RunCopyLoop(L"D:\\X\\", withSlash, a);
  EXPECT_EQ(withSlash.folders[0], L"D:\\X\\");
  RunCopyLoop(L"", empty, b);
  EXPECT_EQ(empty.folders[0], L"");
}

TEST(CopyLoop, NoEntriesReportsOnlyTheEnd) {
  FakeSource source(0);
  FakeSink sink;
  RunCopyLoop(L"D:\\X", source, sink);
  EXPECT_EQ(sink.events, Events{L"end"});
  EXPECT_TRUE(source.cursorsSeen.empty());
}

TEST(CopyLoop, RetryRepeatsTheSameEntryFromItsCursor) {
  FakeSource source(2);
  source.outcomes = {true, false, false, true};  // entry 1 fails twice
  FakeSink sink;
  sink.answers = {RETRY_AGAIN, RETRY_AGAIN};
  CopyOutcome out = RunCopyLoop(L"D:\\X", source, sink);
  EXPECT_EQ(source.cursorsSeen, (std::vector<int>{-1, 0, 0, 0}));
  EXPECT_EQ(sink.events,
            (Events{L"copied D:\\X\\f0", L"ask D:\\X\\f1", L"ask D:\\X\\f1", L"copied D:\\X\\f1", L"end"}));
  EXPECT_EQ(out.extracted, 2);
  EXPECT_EQ(out.retries, 2);
}

TEST(CopyLoop, SkipGoesOnWithTheNextEntry) {
  FakeSource source(3);
  source.outcomes = {false, true, true};
  FakeSink sink;
  sink.answers = {RETRY_SKIP};
  CopyOutcome out = RunCopyLoop(L"D:\\X", source, sink);
  EXPECT_EQ(sink.events, (Events{L"ask D:\\X\\f0", L"copied D:\\X\\f1", L"copied D:\\X\\f2", L"end"}));
  EXPECT_EQ(out.skipped, 1);
  EXPECT_EQ(out.extracted, 2);
}

TEST(CopyLoop, GiveUpOnTheFirstEntryStopsAtOnce) {
  FakeSource source(3);
  source.outcomes = {false};
  FakeSink sink;
  sink.answers = {RETRY_GIVE_UP};
  CopyOutcome out = RunCopyLoop(L"D:\\X", source, sink);
  EXPECT_EQ(sink.events, (Events{L"ask D:\\X\\f0", L"end"}));
  EXPECT_TRUE(out.gaveUp);
  EXPECT_EQ(source.cursorsSeen.size(), 1u);
}

TEST(CopyLoop, StopFlagEndsTheLoop) {
  ASSERT_TRUE(g_continueInstall);  // true from the start
  FakeSource source(3);
  FakeSink sink;
  g_continueInstall = false;
  RunCopyLoop(L"D:\\X", source, sink);
  g_continueInstall = true;
  EXPECT_EQ(sink.events, Events{L"end"});
}

class FakeShortcuts : public ShortcutSource {
 public:
  struct Item {
    bool ok;
    std::wstring texts[3];
  };
  std::vector<Item> items;
  int GetShortcutCount() override { return static_cast<int>(items.size()); }
  bool ReadShortcut(std::wstring texts[3], int& cursor) override {
    const Item& item = items[static_cast<size_t>(++cursor)];
    if (!item.ok) return false;
    for (int i = 0; i < 3; ++i) texts[i] = item.texts[i];
    return true;
  }
};

class FakeMenuSink : public StartMenuSink {
 public:
  Events events;
  void AddMenuItem(std::wstring record[3]) override { events.push_back(L"add " + record[0] + L"|" + record[1]); }
  void ReportMenuItem(std::wstring record[3]) override { events.push_back(L"report " + record[0]); }
  void ReportEnd() override { events.push_back(L"end"); }
};

TEST(StartMenuLoop, UsableRecordsAreAddedThenReported) {
  FakeShortcuts source;
  source.items = {{true, {L"A\\x", L"x.exe", L"d"}},
                  {false, {}},                      // unreadable: skipped
                  {true, {L"A\\none", L"", L"d"}},  // no target: skipped
                  {true, {L"y", L"bin\\y.exe", L""}}};
  FakeMenuSink sink;
  EXPECT_EQ(RunStartMenuLoop(source, sink), 2);
  EXPECT_EQ(sink.events, (Events{L"add A\\x|x.exe", L"report A\\x", L"add y|bin\\y.exe", L"report y", L"end"}));
}

TEST(StartMenuLoop, NoRecordsEndsAtOnce) {
  FakeShortcuts source;
  FakeMenuSink sink;
  EXPECT_EQ(RunStartMenuLoop(source, sink), 0);
  EXPECT_EQ(sink.events, Events{L"end"});
}

}  // namespace
}  // namespace wizard
