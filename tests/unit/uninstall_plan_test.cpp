// The removal plan against a file system made up in memory that resolves
// paths as Windows does, so that a name climbing out of its folder reaches
// what it would reach there.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "package/name_fold.h"
#include "platform/utf.h"
#include "uninstall/removal_plan.h"

namespace uninstall {

void PrintTo(const RemovalStep& step, std::ostream* out) {
  *out << (step.kind == RemovalKind::File ? "file " : "folder ") << platform::WideToUtf8(step.path);
}

namespace {

class FakeFs : public FileSystemView {
 public:
  FakeFs& Folder(const std::wstring& path) { return Put(path, PathKind::Folder); }
  FakeFs& File(const std::wstring& path) { return Put(path, PathKind::File); }
  FakeFs& Linked(const std::wstring& path) { return Put(path, PathKind::LinkedFolder); }

  PathKind Kind(const std::wstring& path) const override {
    auto it = items_.find(Resolve(path));
    return it == items_.end() ? PathKind::Missing : it->second.first;
  }
  std::vector<std::wstring> List(const std::wstring& folder) const override {
    std::wstring prefix = Resolve(folder);
    if (prefix.back() != L'\\') prefix += L'\\';
    std::vector<std::wstring> names;
    for (const auto& [key, item] : items_) {
      if (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
          key.find(L'\\', prefix.size()) == std::wstring::npos)
        names.push_back(item.second);
    }
    return names;
  }

  // A full path as Windows takes it: letter case ignored, spaces and dots at
  // the end of a component dropped, "." and empty components skipped, ".."
  // going one up (never above the drive). "C:\a\..\b\" is "C:\B".
  static std::wstring Resolve(const std::wstring& path) {
    std::vector<std::wstring> parts;
    for (std::size_t start = 3; start <= path.size();) {
      std::size_t end = std::min(path.find(L'\\', start), path.size());
      std::wstring part = path.substr(start, end - start);
      if (part != L"..") part.erase(part.find_last_not_of(L". ") + 1);
      if (part == L"..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty()) {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::wstring resolved = path.substr(0, 2) + (parts.empty() ? L"\\" : L"");
    for (const std::wstring& part : parts) resolved += L'\\' + part;
    return FoldName(resolved);
  }

 private:
  // Parents are made as plain folders when missing.
  FakeFs& Put(const std::wstring& path, PathKind kind) {
    items_.emplace(Resolve(path.substr(0, 3)), std::make_pair(PathKind::Folder, std::wstring()));
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
      items_.emplace(Resolve(path.substr(0, at)), std::make_pair(PathKind::Folder, Leaf(path.substr(0, at))));
    items_[Resolve(path)] = {kind, Leaf(path)};
    return *this;
  }
  static std::wstring Leaf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }
  std::map<std::wstring, std::pair<PathKind, std::wstring>> items_;  // resolved path: kind, name as made
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
using Steps = std::vector<RemovalStep>;

TEST(UninstallPlan, EverythingInstalledGoesInOrder) {
  const RemovalPlan plan = PlanRemoval(Input(), Installed());
  // Files, then folders, each deepest first and later entries of one depth
  // first; then the links and the menu folder.
  EXPECT_EQ(plan.steps,
            (Steps{F(L"C:\\Ex\\data\\presets\\night.ini"), F(L"C:\\Ex\\docs\\说明.txt"),
                   F(L"C:\\Ex\\data\\settings.ini"), F(L"C:\\Ex\\bin\\Example.exe"), F(L"C:\\Ex\\uninstall.exe"),
                   D(L"C:\\Ex\\data\\presets"), D(L"C:\\Ex\\docs"), D(L"C:\\Ex\\data"), D(L"C:\\Ex\\bin"), D(L"C:\\Ex"),
                   F(kPrograms + L"岚杉\\Example.lnk"), F(kPrograms + L"岚杉\\卸载.lnk"), F(kPrograms + L"Flat.lnk"),
                   D(kPrograms + L"岚杉"), F(kDesktop + L"Example.lnk"), F(kStartup + L"Example.lnk")}));
  EXPECT_TRUE(plan.kept.empty());
  // Another spelling of a listed name, or a name listed twice, is removed once.
  RemovalInput twice = Input();
  twice.list.files.push_back("BIN\\example.exe");
  twice.list.folders.push_back("Docs");
  twice.list.menuLinks.push_back("Flat");
  twice.installFolder = L"C:\\Ex\\";
  const auto folded = [](Steps steps) {
    for (RemovalStep& s : steps) s.path = FoldName(s.path);
    std::sort(steps.begin(), steps.end(), [](const RemovalStep& a, const RemovalStep& b) { return a.path < b.path; });
    return steps;
  };
  EXPECT_EQ(folded(PlanRemoval(twice, Installed()).steps), folded(plan.steps));

  // A silent removal runs while the uninstaller waits: its file and the
  // folders that hold it go last, after it has ended ("C:\Ex2" only looks alike).
  RemovalPlan running = plan;
  running.steps.insert(running.steps.begin(), F(L"C:\\Ex2\\uninstall.exe"));
  const Steps later = TakeStepsOfRunningProgram(running, L"c:\\ex\\UNINSTALL.exe");
  EXPECT_EQ(later, (Steps{F(L"C:\\Ex\\uninstall.exe"), D(L"C:\\Ex")}));
  EXPECT_EQ(running.steps.size(), plan.steps.size() + 1 - later.size());
  EXPECT_EQ(running.steps[0], F(L"C:\\Ex2\\uninstall.exe"));
}

TEST(UninstallPlan, WhatOthersPutThereStays) {
  FakeFs fs = Installed();
  fs.File(L"C:\\Ex\\data\\presets\\mine.ini").File(L"C:\\Ex\\notes\\a.txt");
  fs.Folder(L"C:\\Ex\\docs\\说明.txt").File(L"C:\\Ex\\docs\\说明.txt\\inner");  // a listed file now a folder
  fs.File(kPrograms + L"岚杉\\Another product.lnk");
  const RemovalPlan plan = PlanRemoval(Input(), fs);
  // Their folders, the install folder and the shared start-menu folder stay;
  // someone else's folder counts once, its contents are not listed.
  EXPECT_EQ(plan.kept, (std::vector<std::wstring>{L"C:\\Ex\\data\\presets\\mine.ini", L"C:\\Ex\\docs\\说明.txt",
                                                  L"C:\\Ex\\notes"}));
  EXPECT_EQ(plan.steps,
            (Steps{F(L"C:\\Ex\\data\\presets\\night.ini"), F(L"C:\\Ex\\data\\settings.ini"),
                   F(L"C:\\Ex\\bin\\Example.exe"), F(L"C:\\Ex\\uninstall.exe"), D(L"C:\\Ex\\bin"),
                   F(kPrograms + L"岚杉\\Example.lnk"), F(kPrograms + L"岚杉\\卸载.lnk"), F(kPrograms + L"Flat.lnk"),
                   F(kDesktop + L"Example.lnk"), F(kStartup + L"Example.lnk")}));
}

TEST(UninstallPlan, SmallInstallations) {
  const auto check = [](const char* what, const FakeFs& fs, const RemovalInput& in, const Steps& steps,
                        const std::vector<std::wstring>& kept = {}) {
    const RemovalPlan plan = PlanRemoval(in, fs);
    EXPECT_EQ(plan.steps, steps) << what;
    EXPECT_EQ(plan.kept, kept) << what;
  };
  check("only the uninstaller is left", FakeFs().File(L"C:\\Ex\\uninstall.exe"), Input(),
        {F(L"C:\\Ex\\uninstall.exe"), D(L"C:\\Ex")});
  check("an install folder that is a link", FakeFs().Linked(L"C:\\Ex").File(L"C:\\Ex\\uninstall.exe"), Input(), {});
  check("linked folders are never entered",
        FakeFs()
            .File(L"C:\\Ex\\uninstall.exe")
            .Linked(L"C:\\Ex\\data")
            .File(L"C:\\Ex\\data\\settings.ini")
            .Linked(kPrograms + L"岚杉")
            .File(kPrograms + L"岚杉\\卸载.lnk"),
        Input(), {F(L"C:\\Ex\\uninstall.exe")}, {L"C:\\Ex\\data"});
  RemovalInput in = Input();
  in.installFolder = L"D:\\";
  check("a drive's root is never removed", FakeFs().File(L"D:\\uninstall.exe"), in, {F(L"D:\\uninstall.exe")});
  in = Input();
  in.shell = {};
  check("unresolved shell folders",
        FakeFs().File(L"C:\\Ex\\uninstall.exe").File(kDesktop + L"Example.lnk").File(kPrograms + L"Flat.lnk"), in,
        {F(L"C:\\Ex\\uninstall.exe"), D(L"C:\\Ex")});
  in.installFolder.clear();
  check("no install folder", Installed(), in, {});
  in = Input();
  in.list.menuLinks.clear();
  in.startMenuFolder = L"Group";
  check("the record's start-menu folder goes when empty, listed or not", FakeFs().Folder(kPrograms + L"Group"), in,
        {D(kPrograms + L"Group")});
  // Only the first level of a menu path is ever made.
  in.list.menuLinks = {"\\B", "A\\B\\C"};
  in.startMenuFolder.clear();
  check("menu paths straight in Programs and two levels deep",
        FakeFs().File(kPrograms + L"B.lnk").File(kPrograms + L"A\\B\\C.lnk"), in,
        {F(kPrograms + L"B.lnk"), F(kPrograms + L"A\\B\\C.lnk")});
}

// A list or record that names things outside the install folder and the
// Programs folder (a damaged or forged uninstaller) removes nothing there.
TEST(UninstallPlan, NothingOutsideTheFoldersItOwns) {
  FakeFs full = Installed(), bare;
  bare.File(L"C:\\Ex\\uninstall.exe").Folder(L"C:\\U\\Programs");  // an empty Programs folder
  for (FakeFs* fs : {&full, &bare}) fs->File(L"C:\\x.lnk").File(L"C:\\U\\x.lnk").File(L"C:\\Other\\keep.txt");
  const auto below = [](const std::wstring& path, const std::wstring& folder) {
    const std::wstring p = FakeFs::Resolve(path), f = FakeFs::Resolve(folder) + L'\\';
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0;
  };
  const char* hostile[] = {"..\\..\\x", "组\\..\\..\\x",  "岚杉\\..\\..\\Other\\x",       "\\..\\x",
                           "...\\x",    "岚杉\\ \\..\\x", "bin\\..\\..\\Other\\keep.txt", "..\\Other"};
  for (const char* name : hostile) {
    SCOPED_TRACE(name);
    RemovalInput in = Input();
    in.list.menuLinks.push_back(name);
    in.list.files.push_back(name);
    in.list.folders.push_back(name);
    for (const wchar_t* record : {L"..", L"...", L" ", L"a\\b", L"C:", L"a/b", L".", L"..\\x", L"..\\..\\x"}) {
      in.startMenuFolder = record;
      in.productName = record;
      in.autostartLink = record;
      for (const FakeFs* fs : {&full, &bare}) {
        for (const RemovalStep& s : PlanRemoval(in, *fs).steps) {
          const bool owned = s.path == L"C:\\Ex" || below(s.path, L"C:\\Ex") || below(s.path, kPrograms);
          EXPECT_TRUE(owned && s.path.find(L"..") == std::wstring::npos) << platform::WideToUtf8(s.path);
        }
      }
    }
  }
}

}  // namespace
}  // namespace uninstall
