#include "integration/win/registry_entry.h"

#include <windows.h>

#include "package/name_fold.h"
#include "platform/utf.h"

namespace {

// The registry view of this program's own architecture.
constexpr REGSAM kOwnView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

class RegKey {
 public:
  RegKey() = default;
  ~RegKey() {
    if (key_) ::RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool SetValue(HKEY key, const integration::RegistryValue& v) {
  if (v.remove) {
    const LSTATUS status = ::RegDeleteValueW(key, v.name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  if (v.number) {
    const DWORD value = v.value;
    return ::RegSetValueExW(key, v.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
  }
  return ::RegSetValueExW(key, v.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text.c_str()),
                          DWORD((v.text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// The UninstallString of the entry, or empty.
std::wstring UninstallString(HKEY key) {
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key, L"UninstallString", nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
      size == 0)
    return std::wstring();
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (::RegQueryValueExW(key, L"UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS)
    return std::wstring();
  text.resize(::wcsnlen(text.c_str(), text.size()));
  return text;
}

// The path with every component in its long form, as far as it exists, so
// that two spellings of one file compare alike.
std::wstring LongPath(const std::wstring& path) {
  std::wstring out(MAX_PATH, L'\0');
  DWORD n = ::GetLongPathNameW(path.c_str(), out.data(), DWORD(out.size()));
  if (n >= out.size()) {
    out.resize(n);
    n = ::GetLongPathNameW(path.c_str(), out.data(), DWORD(out.size()));
  }
  if (n == 0 || n >= out.size()) return path;
  out.resize(n);
  return out;
}

}  // namespace

bool WriteUninstallEntry(const std::wstring& keyName, const std::vector<integration::RegistryValue>& values,
                         EntryReport& report) {
  RegKey key;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, integration::UninstallKeyPath(keyName).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | kOwnView, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
    return false;
  for (const integration::RegistryValue& value : values) {
    if (!SetValue(key.Get(), value)) return false;
    report.Written(integration::DescribeValue(keyName, value));
  }
  return true;
}

bool RemoveUninstallEntry(const std::wstring& keyName, const std::wstring& uninstallerPath) {
  const std::wstring path = integration::UninstallKeyPath(keyName);
  bool removed = true;
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    bool ours = false;
    {
      RegKey key;
      if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | view, key.Receive()) != ERROR_SUCCESS)
        continue;
      const std::wstring program = integration::CommandProgram(UninstallString(key.Get()));
      ours = !program.empty() && FoldName(LongPath(program)) == FoldName(LongPath(uninstallerPath));
    }
    if (ours && ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0) != ERROR_SUCCESS) removed = false;
  }
  return removed;
}

bool RegisterProduct(const DeployFacts& deploy, const std::wstring& productName, const std::wstring& installFolder,
                     const std::wstring& uninstallerPath, const std::wstring& mainProgramPath,
                     std::uint64_t installedBytes, EntryReport& report) {
  integration::EntryFacts facts;
  facts.deploy = deploy;
  facts.productName = productName;
  facts.installFolder = installFolder;
  facts.uninstallerPath = uninstallerPath;
  facts.mainProgramPath = mainProgramPath;
  facts.installedBytes = installedBytes;
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  facts.year = now.wYear;
  facts.month = now.wMonth;
  facts.day = now.wDay;
  return WriteUninstallEntry(platform::Utf8ToWide(facts.deploy.keyName), integration::UninstallEntryValues(facts),
                             report);
}
