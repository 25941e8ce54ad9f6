#include "uninstall/installation.h"

#include "integration/install_record.h"
#include "platform/file.h"
#include "platform/utf.h"
#include "uninstall/removal_plan.h"

namespace uninstall {

LoadStatus LoadInstallation(const std::wstring& path, Installation& installation) {
  installation = Installation();
  installation.uninstallerPath = path;

  std::int64_t size = -1;
  {
    platform::File file;
    if (!file.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting))
      return LoadStatus::Unreadable;
    size = file.Size();
  }
  if (size < 0) return LoadStatus::Unreadable;

  InstallRecord record;
  if (!record.Open(path, 0) || !record.HasMagic()) return LoadStatus::NoRecord;
  // The record says where it begins: the file's size when it was appended.
  const std::int64_t recordStart = size - kInstallRecordSize;
  if (static_cast<std::int64_t>(record.RecordOffset()) != recordStart) return LoadStatus::RecordDamaged;
  installation.startMenuFolder = record.StartMenuFolder();
  installation.productName = record.ProductName();
  installation.autostartLink = record.AutostartLink();
  record.Close();

  platform::File file;
  if (!file.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting))
    return LoadStatus::Unreadable;
  installation.listError = ReadUninstallList(file, recordStart, installation.list);
  if (installation.listError == ListError::NoBlock) return LoadStatus::NoList;
  if (installation.listError != ListError::None) return LoadStatus::ListDamaged;

  // The install folder is the uninstaller's path less its entry name.
  std::wstring self = platform::Utf8ToWide(installation.list.selfName);
  self.insert(self.begin(), L'\\');
  if (path.size() <= self.size() || !SamePath(path.substr(path.size() - self.size()), self))
    return LoadStatus::WrongPlace;
  installation.installFolder = path.substr(0, path.size() - self.size() + 1);
  return LoadStatus::Ok;
}

}  // namespace uninstall
