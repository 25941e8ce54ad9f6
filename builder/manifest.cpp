#include "builder/manifest.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include <toml++/toml.h>

#include "builder/path_text.h"
#include "package/entry_name.h"
#include "platform/utf.h"
#include "uninstall/uninstall_list.h"

namespace builder {
namespace {

// toml++ 3.3 (as Debian ships it) runs into a branch it marks unreachable
// (undefined behaviour) when it asks whether a code point of U+00A1..U+0499,
// U+2C8E..U+3087 (but U+3000) or U+FB26..U+FEFE is whitespace, which it does
// between tokens: an "é" or a "。" typed behind a value is enough. Those code
// points are swapped for private-use ones before parsing and swapped back in
// every text taken from the parse; manifests that hold the private-use code
// points themselves are refused.
constexpr char32_t kPrivateFirst = 0xE000;
constexpr char32_t kPrivateLast = 0xEBFF;
struct SwapRange {
  char32_t first, last, to;
};
constexpr SwapRange kSwapRanges[] = {{0x00A1, 0x0499, 0xE800}, {0x2C8E, 0x3087, 0xE000}, {0xFB26, 0xFEFE, 0xE400}};

// Rebuilds text with map applied to the code point of every well-formed
// two- or three-byte UTF-8 sequence; all other bytes stay as they are.
template <typename Map>
void MapCodePoints(std::string& text, Map map) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    const auto b1 = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    const auto b2 = i + 2 < text.size() ? static_cast<unsigned char>(text[i + 2]) : 0;
    char32_t c = 0;
    std::size_t n = 0;
    if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2 && (b1 & 0xC0) == 0x80) {
      c = (char32_t(b0 & 0x1F) << 6) | char32_t(b1 & 0x3F);
      n = 2;
    } else if ((b0 & 0xF0) == 0xE0 && (b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
      c = (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | char32_t(b2 & 0x3F);
      n = 3;
    }
    const char32_t d = n ? map(c) : 0;
    if (n == 0 || d == c) {
      out.append(text, i, n ? n : 1);
    } else {
      platform::AppendUtf8(out, d);
    }
    if (n) i += n - 1;
  }
  text = std::move(out);
}

bool HoldsPrivateSwapCodes(std::string text) {
  bool found = false;
  MapCodePoints(text, [&](char32_t c) {
    found = found || (c >= kPrivateFirst && c <= kPrivateLast);
    return c;
  });
  return found;
}

void SwapForParser(std::string& text) {
  MapCodePoints(text, [](char32_t c) -> char32_t {
    for (const SwapRange& r : kSwapRanges) {
      if (c >= r.first && c <= r.last && c != 0x3000) return r.to + (c - r.first);
    }
    return c;
  });
}

void SwapBack(std::string& text) {
  MapCodePoints(text, [](char32_t c) -> char32_t {
    for (const SwapRange& r : kSwapRanges) {
      if (c >= r.to && c <= r.to + (r.last - r.first)) return r.first + (c - r.to);
    }
    return c;
  });
}

// Walks one TOML table, taking the known keys and refusing unknown ones.
class KeyReader {
 public:
  KeyReader(const toml::table& table, std::string prefix, std::string& error)
      : table_(table), prefix_(std::move(prefix)), error_(error) {}

  // A text value; absent leaves out unchanged. False with the error set when
  // the key holds something other than a text.
  bool Text(const char* key, std::string& out, bool required = false) {
    taken_.push_back(key);
    const toml::node* node = table_.get(key);
    if (!node) {
      if (required) return Fail(key, "is missing");
      return true;
    }
    const toml::value<std::string>* text = node->as_string();
    if (!text) return Fail(key, "must be a text (in quotes)");
    out = text->get();
    SwapBack(out);
    if (!platform::IsValidUtf8(out)) return Fail(key, "is not valid UTF-8");
    return true;
  }

  // Marks a key as known without reading it (tables handled elsewhere).
  void Take(const char* key) { taken_.push_back(key); }

  // Refuses keys that none of the calls above took: a misspelt key would
  // otherwise be dropped without a word.
  bool NoOthers() {
    for (auto&& [key, node] : table_) {
      (void)node;
      bool known = false;
      for (const char* k : taken_) known = known || key.str() == k;
      if (!known) return Fail(std::string(key.str()).c_str(), "is not a known key");
    }
    return true;
  }

  bool Fail(const char* key, const std::string& what) {
    error_ = prefix_ + key + ": " + what;
    return false;
  }

 private:
  const toml::table& table_;
  std::string prefix_;
  std::string& error_;
  std::vector<const char*> taken_;
};

std::filesystem::path Resolve(const std::filesystem::path& folder, const std::string& utf8) {
  std::filesystem::path p = Utf8ToPath(utf8);
  return p.is_absolute() ? p : folder / p;
}

// A path below the install folder, written without a leading backslash (or,
// when allowed, an absolute drive path).
bool CheckInstallPath(const std::string& value, bool allowDrive, std::string& why) {
  if (!allowDrive || value.empty() || value.front() == '\\') return IsSafeEntryName(value, &why);
  return IsSafeProgramPath(value, &why);
}

// [sign] command: one text split into words, or a list of texts taken as
// the words themselves.
bool ParseSign(const toml::table& table, const std::filesystem::path& folder, SignCommand& sign, std::string& error) {
  KeyReader reader(table, "sign.", error);
  reader.Take("command");
  if (!reader.NoOthers()) return false;
  const toml::node* node = table.get("command");
  if (!node) return reader.Fail("command", "is missing");
  std::string why;
  if (const toml::array* list = node->as_array()) {
    for (const toml::node& word : *list) {
      if (!word.as_string()) return reader.Fail("command", "must be a text or a list of texts");
      std::string text = word.as_string()->get();
      SwapBack(text);
      if (!platform::IsValidUtf8(text)) return reader.Fail("command", "is not valid UTF-8");
      sign.words.push_back(std::move(text));
    }
  } else {
    std::string line;
    if (!reader.Text("command", line)) return reader.Fail("command", "must be a text or a list of texts");
    if (!SplitCommandLine(line, sign.words, why)) return reader.Fail("command", why);
  }
  if (!CheckSignCommand(sign.words, why)) return reader.Fail("command", why);
  sign.folder = folder;
  return true;
}

// [deploy]: what the installed-programs entry shows. It lives in the
// uninstaller's installed-entries list, so it needs product.uninstaller.
bool ParseDeploy(const toml::table& table, Manifest& m, std::string& error) {
  KeyReader reader(table, "deploy.", error);
  DeployFacts& d = m.deploy;
  if (!reader.Text("version", d.version, true) || !reader.Text("publisher", d.publisher, true) ||
      !reader.Text("url", d.url) || !reader.NoOthers())
    return false;
  for (auto [key, text] : {std::pair{"version", &d.version}, std::pair{"publisher", &d.publisher}}) {
    if (!uninstall::IsSafeDeployText(*text))
      return reader.Fail(key, "must be a text of 1 to 4096 bytes without control characters");
  }
  if (!d.url.empty() &&
      (!uninstall::IsSafeDeployText(d.url) || (d.url.rfind("http://", 0) != 0 && d.url.rfind("https://", 0) != 0)))
    return reader.Fail("url", "must be an http:// or https:// address without control characters");
  if (!m.uninstaller) {
    error =
        "deploy: needs product.uninstaller = true (the uninstaller carries the installed-programs entry and "
        "removes it)";
    return false;
  }
  // The product name names the entry's key, as it names the install folder.
  d.keyName = m.texts.productName;
  if (!uninstall::IsSafeEntryKey(d.keyName)) {
    error = "product.name: longer than the 255 characters that can name the installed-programs entry ([deploy])";
    return false;
  }
  return true;
}

bool ParseTables(const toml::table& root, const std::filesystem::path& folder, Manifest& m, std::string& error) {
  KeyReader top(root, "", error);
  std::string output;
  if (!top.Text("output", output)) return false;
  if (!output.empty()) m.output = Resolve(folder, output);

  const toml::node* productNode = root.get("product");
  if (!productNode) return top.Fail("product", "table [product] is missing");
  if (!productNode->is_table()) return top.Fail("product", "must be a table ([product])");
  KeyReader product(*productNode->as_table(), "product.", error);
  std::string picture, license;
  product.Take("uninstaller");
  if (!product.Text("name", m.texts.productName, true) || !product.Text("heading", m.texts.heading) ||
      !product.Text("notice", m.texts.notice) || !product.Text("rights", m.texts.rights) ||
      !product.Text("welcome", m.texts.welcome) || !product.Text("picture", picture) ||
      !product.Text("license", license) || !product.Text("main_program", m.mainProgram) ||
      !product.Text("record_file", m.recordFile) || !product.NoOthers()) {
    return false;
  }
  if (const toml::node* flag = productNode->as_table()->get("uninstaller")) {
    if (!flag->as_boolean()) return product.Fail("uninstaller", "must be true or false");
    m.uninstaller = flag->as_boolean()->get();
    if (m.uninstaller && m.recordFile.empty()) m.recordFile = "uninstall.exe";
  }
  std::string why;
  if (!IsSafeNameComponent(m.texts.productName, &why)) {
    return product.Fail("name", "cannot name the install folder: " + why);
  }
  if (!picture.empty()) m.picture = Resolve(folder, picture);
  if (!license.empty()) m.license = Resolve(folder, license);
  if (!m.mainProgram.empty() && !CheckInstallPath(m.mainProgram, true, why)) {
    return product.Fail("main_program", "'" + m.mainProgram + "' is not a path below the install folder: " + why);
  }
  if (!m.recordFile.empty() && !CheckInstallPath(m.recordFile, false, why)) {
    return product.Fail("record_file", "'" + m.recordFile + "' is not a path below the install folder: " + why);
  }

  const toml::node* filesNode = root.get("files");
  if (!filesNode) return top.Fail("files", "table [files] is missing");
  if (!filesNode->is_table()) return top.Fail("files", "must be a table ([files])");
  KeyReader files(*filesNode->as_table(), "files.", error);
  std::string source;
  if (!files.Text("source", source, true) || !files.NoOthers()) return false;
  if (source.empty()) return files.Fail("source", "is empty");
  m.source = Resolve(folder, source);

  if (const toml::node* list = root.get("shortcut")) {
    const toml::array* array = list->as_array();
    if (!array) return top.Fail("shortcut", "must be a list of tables ([[shortcut]])");
    for (std::size_t i = 0; i < array->size(); ++i) {
      std::string prefix = "shortcut[" + std::to_string(i + 1) + "].";
      const toml::table* table = (*array)[i].as_table();
      if (!table) {
        error = prefix.substr(0, prefix.size() - 1) + ": must be a table ([[shortcut]])";
        return false;
      }
      KeyReader reader(*table, prefix, error);
      ManifestShortcut s;
      if (!reader.Text("menu", s.menu, true) || !reader.Text("target", s.target, true) ||
          !reader.Text("description", s.description) || !reader.NoOthers()) {
        return false;
      }
      // The menu path becomes a folder and a link file below the Programs folder.
      if (!IsSafeMenuPath(s.menu, &why)) {
        return reader.Fail("menu", "'" + s.menu + "' is not a start-menu path (group\\name): " + why);
      }
      if (!CheckInstallPath(s.target, true, why)) {
        return reader.Fail("target", "'" + s.target + "' is not a path below the install folder: " + why);
      }
      m.shortcuts.push_back(std::move(s));
    }
  }
  if (const toml::node* deployNode = root.get("deploy")) {
    if (!deployNode->is_table()) return top.Fail("deploy", "must be a table ([deploy])");
    if (!ParseDeploy(*deployNode->as_table(), m, error)) return false;
  }
  if (const toml::node* signNode = root.get("sign")) {
    if (!signNode->is_table()) return top.Fail("sign", "must be a table ([sign])");
    if (!ParseSign(*signNode->as_table(), folder, m.sign, error)) return false;
  }
  top.Take("product");
  top.Take("files");
  top.Take("shortcut");
  top.Take("sign");
  top.Take("deploy");
  return top.NoOthers();
}

}  // namespace

bool IsDrivePath(std::string_view path) { return path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0]); }

bool ParseManifest(std::string_view text, const std::filesystem::path& file, Manifest& manifest, std::string& error) {
  const std::string fileName = PathToUtf8(file);
  Manifest m;
  m.file = file;
  std::string swapped(text);
  if (HoldsPrivateSwapCodes(swapped)) {
    error = fileName + ": holds private-use characters (U+E000 to U+E7FF), which a manifest may not use";
    return false;
  }
  SwapForParser(swapped);
  toml::table root;
  try {
    root = toml::parse(swapped, fileName);
  } catch (const toml::parse_error& e) {
    const toml::source_region& where = e.source();
    std::string description(e.description());
    SwapBack(description);
    error = fileName + ":" + std::to_string(where.begin.line) + ":" + std::to_string(where.begin.column) + ": " +
            description;
    return false;
  }
  std::string keyError;
  if (!ParseTables(root, file.parent_path(), m, keyError)) {
    SwapBack(keyError);
    error = fileName + ": " + keyError;
    return false;
  }
  manifest = std::move(m);
  return true;
}

bool LoadManifest(const std::filesystem::path& file, Manifest& manifest, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = PathToUtf8(file) + ": cannot open the manifest";
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = PathToUtf8(file) + ": cannot read the manifest";
    return false;
  }
  return ParseManifest(text, file, manifest, error);
}

}  // namespace builder
