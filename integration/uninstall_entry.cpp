#include "integration/uninstall_entry.h"

#include "package/decimal.h"
#include "platform/utf.h"

namespace integration {
namespace {

void AddText(std::vector<RegistryValue>& values, const wchar_t* name, std::wstring text) {
  RegistryValue& v = values.emplace_back();
  v.name = name;
  v.text = std::move(text);
}

void AddNumber(std::vector<RegistryValue>& values, const wchar_t* name, std::uint32_t value) {
  RegistryValue& v = values.emplace_back();
  v.name = name;
  v.number = true;
  v.value = value;
}

std::wstring TwoDigits(int n) { return std::wstring(1, wchar_t(L'0' + n / 10 % 10)) + wchar_t(L'0' + n % 10); }

}  // namespace

std::vector<RegistryValue> UninstallEntryValues(const EntryFacts& f) {
  const std::wstring quoted = L"\"" + f.uninstallerPath + L"\"";
  const std::uint64_t kib = (f.installedBytes + 1023) / 1024;
  std::vector<RegistryValue> values;
  values.reserve(12);
  AddText(values, L"DisplayName", f.productName);
  AddText(values, L"DisplayVersion", platform::Utf8ToWide(f.deploy.version));
  AddText(values, L"Publisher", platform::Utf8ToWide(f.deploy.publisher));
  AddText(values, L"InstallLocation", f.installFolder);
  AddText(values, L"UninstallString", quoted);
  AddText(values, L"QuietUninstallString", quoted + L" /S");
  AddText(values, L"DisplayIcon", f.mainProgramPath.empty() ? f.uninstallerPath : f.mainProgramPath);
  AddNumber(values, L"EstimatedSize", kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kib));
  AddText(values, L"InstallDate", WideDecimal(f.year) + TwoDigits(f.month) + TwoDigits(f.day));
  AddNumber(values, L"NoModify", 1);
  AddNumber(values, L"NoRepair", 1);
  AddText(values, L"URLInfoAbout", platform::Utf8ToWide(f.deploy.url));
  values.back().remove = f.deploy.url.empty();
  return values;
}

std::wstring UninstallKeyPath(const std::wstring& keyName) { return std::wstring(kUninstallKey) + L"\\" + keyName; }

std::wstring DescribeValue(const std::wstring& keyName, const RegistryValue& value) {
  const std::wstring where = L"HKLM\\" + UninstallKeyPath(keyName) + L"\\" + value.name;
  if (value.remove) return where + L" removed";
  return where + L" = " + (value.number ? WideDecimal(value.value) : value.text);
}

std::wstring CommandProgram(const std::wstring& command) {
  std::size_t at = command.find_first_not_of(L" \t");
  if (at == std::wstring::npos) return std::wstring();
  if (command[at] == L'"') {
    const std::size_t end = command.find(L'"', at + 1);
    return command.substr(at + 1, end == std::wstring::npos ? std::wstring::npos : end - at - 1);
  }
  return command.substr(at, command.find_first_of(L" \t", at) - at);
}

}  // namespace integration
