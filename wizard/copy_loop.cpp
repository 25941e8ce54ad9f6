#include "wizard/copy_loop.h"

#include "integration/install_record.h"
#include "package/package_file.h"
#include "platform/file.h"
#include "wizard/install_paths.h"

bool g_continueInstall = true;

namespace wizard {

CopyOutcome RunCopyLoop(const std::wstring& installFolder, CopySource& source, CopySink& sink) {
  CopyOutcome outcome;
  const int count = source.GetFileCount();
  int cursor = -1;

  // Every missing level of the install folder is made, not only the last:
  // a folder typed below one that does not exist yet (D:\Apps\Example
  // without D:\Apps) must not leave every file to fail.
  std::wstring destination = installFolder;
  for (const std::wstring& level : FolderLevels(destination)) source.CreateFolder(level);
  if (!destination.empty()) destination = WithTrailingBackslash(destination);

  std::wstring path;
  int i = 0;
  while (g_continueInstall && i < count) {
    const int remembered = cursor;
    if (source.ExtractNext(path, destination, cursor)) {
      sink.ReportCopied(path);
      ++outcome.extracted;
      ++i;
      continue;
    }
    const int answer = sink.AskRetry(path);
    if (answer > 0) {
      // The same entry again, from where it started; no limit on attempts.
      cursor = remembered;
      ++outcome.retries;
    } else if (answer < 0) {
      outcome.gaveUp = true;
      break;
    } else {
      ++outcome.skipped;
      ++i;
    }
  }
  if (!outcome.gaveUp) source.OpenInstallRecord(installFolder);
  sink.ReportEnd();
  return outcome;
}

int RunStartMenuLoop(ShortcutSource& source, StartMenuSink& sink) {
  const int count = source.GetShortcutCount();
  int cursor = -1;
  std::wstring record[3];
  int handed = 0;
  for (int i = 0; g_continueInstall && i < count; ++i) {
    if (source.ReadShortcut(record, cursor) && !record[1].empty()) {
      sink.AddMenuItem(record);
      sink.ReportMenuItem(record);
      ++handed;
    }
  }
  sink.ReportEnd();
  return handed;
}

int PackageSource::GetFileCount() { return package_.GetFileCount(); }

bool PackageSource::ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor) {
  return package_.ExtractNext(outPath, folder, cursor);
}

void PackageSource::CreateFolder(const std::wstring& path) { platform::CreateFolder(path); }

void PackageSource::OpenInstallRecord(const std::wstring& installFolder) {
  std::wstring name;
  if (g_pInstallRecord != nullptr || !package_.GetRecordFileName(name) || name.empty()) return;
  // A record file that cannot be opened leaves a record without file:
  // nothing is written, and no message is shown.
  auto* record = new InstallRecord();
  record->Open(integration::RecordFilePath(installFolder, name), 1);
  g_pInstallRecord = record;
}

int PackageSource::GetShortcutCount() { return package_.GetShortcutCount(); }

bool PackageSource::ReadShortcut(std::wstring texts[3], int& cursor) { return package_.ReadShortcut(texts, cursor); }

}  // namespace wizard
