// The removal planner against a file system made up in memory.
#include <gtest/gtest.h>

#include <map>

#include "uninstall/removal_plan.h"

using uninstall::PathKind;
using uninstall::PlanRemoval;
using uninstall::RemovalInput;
using uninstall::RemovalKind;
using uninstall::RemovalPlan;
using uninstall::RemovalStep;

namespace {

class FakeFs : public uninstall::FileSystemView {
 public:
  FakeFs& Folder(const std::wstring& path) { return Put(path, PathKind::Folder); }
  FakeFs& File(const std::wstring& path) { return Put(path, PathKind::File); }
  FakeFs& Linked(const std::wstring& path) { return Put(path, PathKind::LinkedFolder); }

  PathKind Kind(const std::wstring& path) const override {
    auto it = items_.find(path);
    return it == items_.end() ? PathKind::Missing : it->second;
  }
  std::vector<std::wstring> List(const std::wstring& folder) const override {
    std::wstring prefix = folder;
    if (prefix.back() != L'\\') prefix += L'\\';
    std::vector<std::wstring> names;
    for (const auto& [path, kind] : items_) {
      if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
          path.find(L'\\', prefix.size()) == std::wstring::npos)
        names.push_back(path.substr(prefix.size()));
    }
    return names;
  }

 private:
  // Parents are made as plain folders when missing.
  FakeFs& Put(const std::wstring& path, PathKind kind) {
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
      items_.emplace(path.substr(0, at), PathKind::Folder);
    items_[path] = kind;
    return *this;
  }
  std::map<std::wstring, PathKind> items_;
};

const std::wstring kDesktop = L"C:\\U\\Desktop\\";
const std::wstring kPrograms = L"C:\\U\\Programs\\";
const std::wstring kStartup = L"C:\\U\\Programs\\StartUp\\";

RemovalInput Input() {
  RemovalInput in;
  in.installFolder = L"C:\\Ex";
  in.list.selfName = "uninstall.exe";
  in.list.folders = {"bin", "data", "data\\presets", "docs"};
  in.list.files = {"bin\\Example.exe", "data\\presets\\night.ini", "data\\settings.ini", "docs\\说明.txt",
                   "uninstall.exe"};
  in.list.menuLinks = {"岚杉\\Example", "岚杉\\卸载", "Flat"};
  in.startMenuFolder = L"岚杉";
  in.productName = L"Example";
  in.autostartLink = L"Example";
  in.shell = {kDesktop, kPrograms, kStartup};
  return in;
}

// Everything the package and the finish step made, plus things of others.
FakeFs Installed() {
  FakeFs fs;
  fs.File(L"C:\\Ex\\bin\\Example.exe").File(L"C:\\Ex\\data\\presets\\night.ini").File(L"C:\\Ex\\data\\settings.ini");
  fs.File(L"C:\\Ex\\docs\\说明.txt").File(L"C:\\Ex\\uninstall.exe");
  fs.File(kPrograms + L"岚杉\\Example.lnk").File(kPrograms + L"岚杉\\卸载.lnk").File(kPrograms + L"Flat.lnk");
  fs.File(kDesktop + L"Example.lnk").File(kStartup + L"Example.lnk");
  fs.File(kDesktop + L"Other.lnk").File(L"C:\\Other\\keep.txt").File(kPrograms + L"Other\\x.lnk");
  return fs;
}

RemovalStep F(const std::wstring& p) { return {RemovalKind::File, p}; }
RemovalStep D(const std::wstring& p) { return {RemovalKind::Folder, p}; }

}  // namespace

TEST(RemovalPlan, EverythingInstalledGoesInOrder) {
  const RemovalPlan plan = PlanRemoval(Input(), Installed());
  const std::vector<RemovalStep> expected = {
      F(L"C:\\Ex\\data\\presets\\night.ini"),  // deepest first
      F(L"C:\\Ex\\docs\\说明.txt"),            // then later entries of one depth first
      F(L"C:\\Ex\\data\\settings.ini"),
      F(L"C:\\Ex\\bin\\Example.exe"),
      F(L"C:\\Ex\\uninstall.exe"),
      D(L"C:\\Ex\\data\\presets"),
      D(L"C:\\Ex\\docs"),
      D(L"C:\\Ex\\data"),
      D(L"C:\\Ex\\bin"),
      D(L"C:\\Ex"),
      F(kPrograms + L"岚杉\\Example.lnk"),
      F(kPrograms + L"岚杉\\卸载.lnk"),
      F(kPrograms + L"Flat.lnk"),
      D(kPrograms + L"岚杉"),
      F(kDesktop + L"Example.lnk"),
      F(kStartup + L"Example.lnk"),
  };
  EXPECT_EQ(plan.steps, expected);
  EXPECT_TRUE(plan.kept.empty());
}

TEST(RemovalPlan, UserFilesKeepTheirFoldersAndTheInstallFolder) {
  FakeFs fs = Installed();
  fs.File(L"C:\\Ex\\data\\presets\\mine.ini").Folder(L"C:\\Ex\\notes").File(L"C:\\Ex\\notes\\a.txt");
  const RemovalPlan plan = PlanRemoval(Input(), fs);
  for (const RemovalStep& s : plan.steps) {
    EXPECT_NE(s.path, L"C:\\Ex\\data\\presets\\mine.ini");
    EXPECT_NE(s.path, L"C:\\Ex\\data\\presets");
    EXPECT_NE(s.path, L"C:\\Ex\\data");
    EXPECT_NE(s.path, L"C:\\Ex");
    EXPECT_NE(s.path.find(L"notes"), 0u);
  }
  EXPECT_NE(std::find(plan.steps.begin(), plan.steps.end(), F(L"C:\\Ex\\data\\presets\\night.ini")), plan.steps.end());
  EXPECT_NE(std::find(plan.steps.begin(), plan.steps.end(), D(L"C:\\Ex\\docs")), plan.steps.end());
  // The user's folder counts once, its contents are not listed.
  EXPECT_EQ(plan.kept, (std::vector<std::wstring>{L"C:\\Ex\\data\\presets\\mine.ini", L"C:\\Ex\\notes"}));
}

TEST(RemovalPlan, NothingOutsideTheNamedItems) {
  const RemovalPlan plan = PlanRemoval(Input(), Installed());
  for (const RemovalStep& s : plan.steps) {
    const bool inside = s.path == L"C:\\Ex" || s.path.rfind(L"C:\\Ex\\", 0) == 0;
    const bool shell = s.path.rfind(kPrograms, 0) == 0 || s.path.rfind(kDesktop, 0) == 0;
    EXPECT_TRUE(inside || shell) << std::string(s.path.begin(), s.path.end());
    EXPECT_EQ(s.path.find(L"Other"), std::wstring::npos);
  }
}

TEST(RemovalPlan, MissingItemsAreNotPlanned) {
  FakeFs fs;
  fs.File(L"C:\\Ex\\uninstall.exe");
  RemovalInput in = Input();
  const RemovalPlan plan = PlanRemoval(in, fs);
  EXPECT_EQ(plan.steps, (std::vector<RemovalStep>{F(L"C:\\Ex\\uninstall.exe"), D(L"C:\\Ex")}));
}

TEST(RemovalPlan, ASharedStartMenuFolderStays) {
  FakeFs fs = Installed();
  fs.File(kPrograms + L"岚杉\\Another product.lnk");
  const RemovalPlan plan = PlanRemoval(Input(), fs);
  EXPECT_NE(std::find(plan.steps.begin(), plan.steps.end(), F(kPrograms + L"岚杉\\卸载.lnk")), plan.steps.end());
  EXPECT_EQ(std::find(plan.steps.begin(), plan.steps.end(), D(kPrograms + L"岚杉")), plan.steps.end());
}

TEST(RemovalPlan, TheRecordsStartMenuFolderGoesWhenEmptyEvenWithoutAListedLink) {
  FakeFs fs;
  fs.Folder(kPrograms + L"Group");
  RemovalInput in = Input();
  in.list.menuLinks.clear();
  in.startMenuFolder = L"Group";
  const RemovalPlan plan = PlanRemoval(in, fs);
  EXPECT_EQ(plan.steps, (std::vector<RemovalStep>{D(kPrograms + L"Group")}));
}

TEST(RemovalPlan, RecordNamesThatReachOutsideAreIgnored) {
  FakeFs fs = Installed();
  fs.Folder(L"C:\\U\\Programs").File(L"C:\\U\\x.lnk");
  RemovalInput in = Input();
  in.list.menuLinks.clear();
  for (const wchar_t* bad : {L"..", L"..\\..", L"a\\b", L"C:", L"a/b", L"."}) {
    in.startMenuFolder = bad;
    in.productName = bad;
    in.autostartLink = bad;
    const RemovalPlan plan = PlanRemoval(in, fs);
    for (const RemovalStep& s : plan.steps) {
      EXPECT_EQ(s.path.rfind(L"C:\\Ex", 0), 0u) << std::string(s.path.begin(), s.path.end());
    }
  }
}

TEST(RemovalPlan, UnresolvedShellFoldersPlanNothingThere) {
  RemovalInput in = Input();
  in.shell = {};
  const RemovalPlan plan = PlanRemoval(in, Installed());
  for (const RemovalStep& s : plan.steps) EXPECT_EQ(s.path.rfind(L"C:\\Ex", 0), 0u);
  EXPECT_EQ(plan.steps.back(), D(L"C:\\Ex"));
}

TEST(RemovalPlan, LinkedFoldersAreNeverEntered) {
  FakeFs fs;
  fs.File(L"C:\\Ex\\uninstall.exe").Linked(L"C:\\Ex\\data").File(L"C:\\Windows\\settings.ini");
  fs.File(L"C:\\Ex\\data\\settings.ini");  // what the link shows: someone else's file
  fs.Linked(kPrograms + L"岚杉").File(kPrograms + L"岚杉\\卸载.lnk");
  const RemovalPlan plan = PlanRemoval(Input(), fs);
  EXPECT_EQ(plan.steps, (std::vector<RemovalStep>{F(L"C:\\Ex\\uninstall.exe")}));
  EXPECT_EQ(plan.kept, (std::vector<std::wstring>{L"C:\\Ex\\data"}));
}

TEST(RemovalPlan, AnInstallFolderThatIsNotAPlainFolderIsLeftAlone) {
  FakeFs fs;
  fs.Linked(L"C:\\Ex").File(L"C:\\Ex\\uninstall.exe");
  RemovalInput in = Input();
  in.shell = {};
  EXPECT_TRUE(PlanRemoval(in, fs).steps.empty());
  in.installFolder.clear();
  EXPECT_TRUE(PlanRemoval(in, Installed()).steps.empty());
}

TEST(RemovalPlan, AListedFileThatIsNowAFolderStays) {
  FakeFs fs = Installed();
  fs.Folder(L"C:\\Ex\\docs\\说明.txt");
  fs.File(L"C:\\Ex\\docs\\说明.txt\\inner");
  const RemovalPlan plan = PlanRemoval(Input(), fs);
  EXPECT_EQ(std::find(plan.steps.begin(), plan.steps.end(), D(L"C:\\Ex\\docs")), plan.steps.end());
  EXPECT_EQ(plan.kept, (std::vector<std::wstring>{L"C:\\Ex\\docs\\说明.txt"}));
}

TEST(RemovalPlan, MenuPathForms) {
  FakeFs fs;
  fs.File(kPrograms + L"B.lnk").File(kPrograms + L"A\\B\\C.lnk");
  RemovalInput in = Input();
  in.list = {};
  in.list.menuLinks = {"\\B", "A\\B\\C"};
  in.startMenuFolder.clear();
  in.installFolder.clear();
  const RemovalPlan plan = PlanRemoval(in, fs);
  // A\B was there before (only A is ever created), so A stays.
  EXPECT_EQ(plan.steps, (std::vector<RemovalStep>{F(kPrograms + L"B.lnk"), F(kPrograms + L"A\\B\\C.lnk")}));
}

TEST(RemovalPlan, InstallFolderWithTrailingBackslash) {
  RemovalInput in = Input();
  in.installFolder = L"C:\\Ex\\";
  EXPECT_EQ(PlanRemoval(in, Installed()).steps, PlanRemoval(Input(), Installed()).steps);
}

TEST(RemovalPlan, ADriveRootIsNeverRemoved) {
  FakeFs fs;
  fs.Folder(L"D:\\").File(L"D:\\uninstall.exe");
  RemovalInput in = Input();
  in.installFolder = L"D:\\";
  in.shell = {};
  EXPECT_EQ(PlanRemoval(in, fs).steps, (std::vector<RemovalStep>{F(L"D:\\uninstall.exe")}));
}

TEST(RemovalPlan, NamesListedTwiceOrInOtherLetterCaseAreRemovedOnce) {
  RemovalInput in = Input();
  in.list.files.push_back("BIN\\example.exe");
  in.list.folders.push_back("Docs");
  in.list.menuLinks.push_back("Flat");
  FakeFs fs = Installed();
  // The fake file system is case-sensitive; answer for the other spelling too.
  fs.File(L"C:\\Ex\\BIN\\example.exe").Folder(L"C:\\Ex\\Docs");
  const RemovalPlan plan = PlanRemoval(in, fs);
  int exe = 0, docs = 0, flat = 0;
  for (const RemovalStep& s : plan.steps) {
    exe += uninstall::SamePath(s.path, L"C:\\Ex\\bin\\Example.exe");
    docs += uninstall::SamePath(s.path, L"C:\\Ex\\docs");
    flat += s.path == kPrograms + L"Flat.lnk";
  }
  EXPECT_EQ(exe, 1);
  EXPECT_EQ(docs, 1);
  EXPECT_EQ(flat, 1);
}
