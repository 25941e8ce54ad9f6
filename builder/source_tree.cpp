#include "builder/source_tree.h"

#include <algorithm>
#include <system_error>

#include "builder/path_text.h"
#include "package/entry_name.h"
#include "package/name_fold.h"
#include "package/package_writer.h"

namespace fs = std::filesystem;

namespace builder {
namespace {

struct Child {
  std::string leaf;
  std::string key;  // the leaf folded: the listing order and the clash check
  fs::path path;
  fs::file_type listed;  // own type as the folder listing gave it; none when not known
};

// The item's own type (links not followed) from the folder listing, which
// most file systems fill in, so that a plain file or folder costs no extra
// look-up here; none when the listing did not say.
fs::file_type ListedType(const fs::directory_entry& entry) {
  std::error_code ec;
  if (entry.is_symlink(ec)) return fs::file_type::symlink;
  if (!ec && entry.is_directory(ec)) return fs::file_type::directory;
  if (!ec && entry.is_regular_file(ec)) return fs::file_type::regular;
  return fs::file_type::none;
}

class TreeWalker {
 public:
  TreeWalker(const WalkLimits& limits, std::vector<SourceItem>& items, std::string& error, const ListedFile& listed)
      : limits_(limits), items_(items), error_(error), listed_(listed) {}

  bool Start(const fs::path& root) {
    std::error_code ec;
    fs::file_status status = fs::status(root, ec);
    if (ec || !fs::is_directory(status)) {
      return Fail(root, "is not a folder");
    }
    rootReal_ = fs::canonical(root, ec);
    if (ec) return Fail(root, "cannot be resolved: " + ec.message());
    return Walk(root, rootReal_, "");
  }

 private:
  bool Fail(const fs::path& path, const std::string& what) {
    error_ = PathToUtf8(path) + ": " + what;
    return false;
  }

  bool Inside(const fs::path& real) const {
    fs::path rel = real.lexically_relative(rootReal_);
    return !rel.empty() && *rel.begin() != "..";
  }

  // Walks one folder whose real (link-free) path is real; prefix is its
  // entry name followed by a backslash, or empty for the root.
  bool Walk(const fs::path& folder, const fs::path& real, const std::string& prefix) {
    active_.push_back(real);
    std::vector<Child> children;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      const fs::path& p = it->path();
      std::string leaf = PathToUtf8(p.filename());
      std::string why;
      if (!IsSafeNameComponent(leaf, &why)) return Fail(p, why);
      std::string key = FoldName(leaf);
      children.push_back({std::move(leaf), std::move(key), p, ListedType(*it)});
    }
    if (ec) return Fail(folder, "cannot list the folder: " + ec.message());

    // Each name folded once (EntryNameLess would fold both names at every
    // comparison). Stable, so that of two names Windows would take for one
    // the later one listed is named.
    std::stable_sort(children.begin(), children.end(), [](const Child& a, const Child& b) { return a.key < b.key; });
    for (std::size_t i = 1; i < children.size(); ++i) {
      if (children[i].key == children[i - 1].key) {
        return Fail(children[i].path, "differs from '" + children[i - 1].leaf +
                                          "' only in letter case; Windows would take both for one name");
      }
    }

    for (const Child& c : children) {
      if (!Visit(c, prefix + c.leaf)) return false;
    }
    active_.pop_back();
    return true;
  }

  // name: the folder's safe name and a safe leaf, so a safe entry name.
  bool Visit(const Child& c, const std::string& name) {
    std::error_code ec;
    fs::file_status own = c.listed != fs::file_type::none ? fs::file_status(c.listed) : fs::symlink_status(c.path, ec);
    if (ec) return Fail(c.path, "cannot be read: " + ec.message());
    fs::path real;  // only folders and links need it: a path costs more than a plain file's checks
    fs::file_status status = own;
    if (fs::is_symlink(own)) {
      real = fs::canonical(c.path, ec);
      if (ec) return Fail(c.path, "symbolic link leads nowhere");
      if (!Inside(real)) return Fail(c.path, "symbolic link leads outside the source tree to " + PathToUtf8(real));
      status = fs::status(c.path, ec);
      if (ec) return Fail(c.path, "cannot be read: " + ec.message());
    }
    if (fs::is_directory(status)) {
      if (real.empty()) real = active_.back() / c.path.filename();
      if (std::find(active_.begin(), active_.end(), real) != active_.end()) {
        return Fail(c.path, "symbolic link leads back into a folder that contains it");
      }
      items_.push_back({true, name, c.path, 0});
      return Walk(c.path, real, name + "\\");
    }
    if (!fs::is_regular_file(status)) return Fail(c.path, "is neither a file nor a folder");
    std::uintmax_t size = fs::file_size(c.path, ec);
    if (ec) return Fail(c.path, "cannot be read: " + ec.message());
    if (size > limits_.maxFileSize) {
      return Fail(c.path, "is " + std::to_string(size) + " bytes; the installer takes files of at most " +
                              std::to_string(limits_.maxFileSize) + " bytes");
    }
    items_.push_back({false, name, c.path, static_cast<std::uint64_t>(size)});
    if (listed_) listed_(items_.back());
    return true;
  }

  const WalkLimits& limits_;
  std::vector<SourceItem>& items_;
  std::string& error_;
  const ListedFile& listed_;
  fs::path rootReal_;
  std::vector<fs::path> active_;  // real paths of the folders being walked
};

}  // namespace

bool WalkSourceTree(const fs::path& root, const WalkLimits& limits, std::vector<SourceItem>& items, std::string& error,
                    const ListedFile& listed) {
  items.clear();
  TreeWalker walker(limits, items, error, listed);
  if (!walker.Start(root)) {
    items.clear();
    return false;
  }
  return true;
}

}  // namespace builder
