#include "uninstall/removal_plan.h"

#include <algorithm>
#include <set>

#include "integration/menu_path.h"
#include "package/entry_name.h"
#include "package/name_fold.h"
#include "platform/utf.h"

namespace uninstall {
namespace {

std::wstring WithSlash(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring WithoutSlash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

// A name of the record that stands for one item in a shell folder (product
// name, Startup shortcut, start-menu group): the package's name rule for one
// component, which no "..", separator or drive passes.
bool IsOneName(const std::wstring& name) { return IsSafeNameComponent(platform::WideToUtf8(name)); }

std::size_t Depth(const std::wstring& name) {
  return static_cast<std::size_t>(std::count(name.begin(), name.end(), L'\\'));
}

// Relative names, deepest first; within one depth the later entry first.
// Names the package's name rule refuses ("..", ".", a drive, a leading
// backslash) are left out: whatever the list says, nothing outside the
// install folder is reached through it.
std::vector<std::wstring> DeepestFirst(const std::vector<std::string>& names) {
  std::vector<std::wstring> wide;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (IsSafeEntryName(*it)) wide.push_back(platform::Utf8ToWide(*it));
  }
  std::stable_sort(wide.begin(), wide.end(),
                   [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
  return wide;
}

class Planner {
 public:
  Planner(const RemovalInput& input, const FileSystemView& fs) : in_(input), fs_(fs) {}

  RemovalPlan Run() {
    PlanInstallFolder();
    PlanMenu();
    PlanShellLink(in_.shell.desktop, in_.productName);
    PlanShellLink(in_.shell.startup, in_.autostartLink);
    return std::move(plan_);
  }

 private:
  void Remove(RemovalKind kind, const std::wstring& path) {
    plan_.steps.push_back({kind, path});
    removed_.insert(FoldName(path));
  }
  bool IsRemoved(const std::wstring& path) const { return removed_.count(FoldName(path)) != 0; }

  // Every folder from the install folder down to the item's parent is a
  // plain folder: a linked folder would lead the removal elsewhere.
  bool PlainParents(const std::wstring& name) const {
    for (std::size_t at = name.find(L'\\'); at != std::wstring::npos; at = name.find(L'\\', at + 1)) {
      if (fs_.Kind(root_ + name.substr(0, at)) != PathKind::Folder) return false;
    }
    return true;
  }

  // True when nothing is left in the folder once the planned steps are done.
  bool EmptyAfterSteps(const std::wstring& folder) const {
    for (const std::wstring& child : fs_.List(folder)) {
      if (!IsRemoved(WithSlash(folder) + child)) return false;
    }
    return true;
  }

  void PlanInstallFolder() {
    root_ = WithSlash(in_.installFolder);
    const std::wstring folder = WithoutSlash(root_);
    // A drive's root folder ("D:\") is asked for with its backslash, and never removed.
    const bool driveRoot = folder.size() <= 2 || folder.back() == L':';
    if (in_.installFolder.empty() || fs_.Kind(driveRoot ? root_ : folder) != PathKind::Folder) return;
    for (const std::wstring& name : DeepestFirst(in_.list.files)) {
      if (!IsRemoved(root_ + name) && PlainParents(name) && fs_.Kind(root_ + name) == PathKind::File)
        Remove(RemovalKind::File, root_ + name);
    }
    for (const std::wstring& name : DeepestFirst(in_.list.folders)) {
      const std::wstring path = root_ + name;
      listedFolders_.insert(FoldName(path));
      if (!IsRemoved(path) && PlainParents(name) && fs_.Kind(path) == PathKind::Folder && EmptyAfterSteps(path))
        Remove(RemovalKind::Folder, path);
    }
    if (EmptyAfterSteps(folder) && !driveRoot) {
      Remove(RemovalKind::Folder, folder);
    } else {
      CollectKept(folder);
    }
  }

  // The items that stay: inside the package's folders that stay, whatever
  // was not removed; a folder of anyone else's counts once.
  void CollectKept(const std::wstring& folder) {
    for (const std::wstring& child : fs_.List(folder)) {
      const std::wstring path = WithSlash(folder) + child;
      if (IsRemoved(path)) continue;
      if (listedFolders_.count(FoldName(path)) != 0 && fs_.Kind(path) == PathKind::Folder) {
        CollectKept(path);
      } else {
        plan_.kept.push_back(path);
      }
    }
  }

  void PlanMenu() {
    const std::wstring& programs = in_.shell.programs;
    if (programs.empty()) return;
    std::vector<std::wstring> groups;
    auto addGroup = [&](const std::wstring& group) {
      if (!IsOneName(group)) return;
      for (const std::wstring& g : groups)
        if (SamePath(g, group)) return;
      groups.push_back(group);
    };
    for (const std::string& menu : in_.list.menuLinks) {
      // A menu path that could climb out of the Programs folder is left out.
      if (!IsSafeMenuPath(menu)) continue;
      integration::MenuPathSplit split = integration::SplitMenuPath(platform::Utf8ToWide(menu));
      // "\B" lies directly in the Programs folder (the doubled separator counts once).
      if (split.subFolder.empty() && !split.linkName.empty() && split.linkName[0] == L'\\') split.linkName.erase(0, 1);
      const std::wstring path = integration::ShortcutFilePath(programs, split.subFolder, split.linkName);
      if (!split.subFolder.empty()) {
        if (fs_.Kind(programs + split.subFolder) != PathKind::Folder) continue;
        // A link name with backslashes lies in deeper folders: all plain.
        const std::wstring inner = split.subFolder + L'\\' + split.linkName;
        bool plain = true;
        for (std::size_t at = inner.find(L'\\', split.subFolder.size() + 1); plain && at != std::wstring::npos;
             at = inner.find(L'\\', at + 1))
          plain = fs_.Kind(programs + inner.substr(0, at)) == PathKind::Folder;
        if (!plain) continue;
      }
      if (!IsRemoved(path) && fs_.Kind(path) == PathKind::File) Remove(RemovalKind::File, path);
      addGroup(split.subFolder);
    }
    addGroup(in_.startMenuFolder);
    for (const std::wstring& group : groups) {
      const std::wstring folder = programs + group;
      if (fs_.Kind(folder) == PathKind::Folder && EmptyAfterSteps(folder)) Remove(RemovalKind::Folder, folder);
    }
  }

  void PlanShellLink(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || !IsOneName(name)) return;
    const std::wstring path = WithSlash(folder) + name + L".lnk";
    if (fs_.Kind(path) == PathKind::File) Remove(RemovalKind::File, path);
  }

  const RemovalInput& in_;
  const FileSystemView& fs_;
  std::wstring root_;
  RemovalPlan plan_;
  std::set<std::wstring> removed_;        // folded full paths
  std::set<std::wstring> listedFolders_;  // folded full paths of the package's folders
};

}  // namespace

bool SamePath(const std::wstring& a, const std::wstring& b) { return FoldName(a) == FoldName(b); }

RemovalPlan PlanRemoval(const RemovalInput& input, const FileSystemView& fs) { return Planner(input, fs).Run(); }

std::vector<RemovalStep> TakeStepsOfRunningProgram(RemovalPlan& plan, const std::wstring& running) {
  const std::wstring file = FoldName(running);
  std::vector<RemovalStep> later, now;
  for (RemovalStep& step : plan.steps) {
    const std::wstring path = FoldName(step.path);
    const bool holds = step.kind == RemovalKind::Folder && file.size() > path.size() &&
                       file.compare(0, path.size(), path) == 0 && file[path.size()] == L'\\';
    (path == file || holds ? later : now).push_back(std::move(step));
  }
  plan.steps = std::move(now);
  return later;
}

}  // namespace uninstall
