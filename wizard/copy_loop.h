// The loops of the copy step (8) and the start-menu step (11), free of any
// window: the Win32 workers plug SendMessageW/PostMessageW in through the
// sinks, the package through the sources, and tests plug in fakes.
#pragma once

#include <string>

class PackageFile;

// The workers' only stop hook: the copy and start-menu loops run while it
// is true. True from the start.
extern bool g_continueInstall;

namespace wizard {

// Where the copy loop takes its entries from.
class CopySource {
 public:
  virtual ~CopySource() = default;
  virtual int GetFileCount() = 0;
  // As PackageFile::ExtractNext: extracts the entry at the cursor below
  // folder, advancing the cursor; outPath is the destination path.
  virtual bool ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor) = 0;
  // Creates one folder level; the result does not matter.
  virtual void CreateFolder(const std::wstring& path) = 0;
  // Copying has ended without giving up: g_pInstallRecord is created and
  // opened for appending on the package's record file below installFolder,
  // when the package names one. Opening may wait for a record file that
  // someone holds for a moment, so it runs here, on the copy worker, while
  // the wizard stays responsive.
  virtual void OpenInstallRecord(const std::wstring& installFolder) = 0;
};

// Where the copy loop reports to (the wizard window).
class CopySink {
 public:
  virtual ~CopySink() = default;
  // WM_INSTALL_STEP (8, &path): the entry was extracted to path.
  virtual void ReportCopied(const std::wstring& path) = 0;
  // WM_ASK_RETRY (8, &path): the entry failed; >0 retry, <0 give up, 0 skip.
  virtual int AskRetry(const std::wstring& path) = 0;
  // WM_INSTALL_STEP (8, 0): copying has ended.
  virtual void ReportEnd() = 0;
};

struct CopyOutcome {
  int extracted = 0;  // entries reported as copied
  int skipped = 0;    // entries skipped after a failure
  int retries = 0;    // repeated attempts
  bool gaveUp = false;
};

// The copy worker: create every missing level of installFolder, then
// extract every entry below installFolder + "\" (no "\" added to an empty
// folder or one that ends with it), asking to retry each failure from the
// remembered cursor; when the user did not give up, open the install
// record; ReportEnd always comes last.
CopyOutcome RunCopyLoop(const std::wstring& installFolder, CopySource& source, CopySink& sink);

// Where the start-menu loop takes the shortcut records from.
class ShortcutSource {
 public:
  virtual ~ShortcutSource() = default;
  virtual int GetShortcutCount() = 0;
  // As PackageFile::ReadShortcut: menu path, target, description.
  virtual bool ReadShortcut(std::wstring texts[3], int& cursor) = 0;
};

class StartMenuSink {
 public:
  virtual ~StartMenuSink() = default;
  // WM_ADD_MENU_ITEM (record, 0), sent: the wizard creates the shortcut.
  virtual void AddMenuItem(std::wstring record[3]) = 0;
  // WM_INSTALL_STEP (11, record), sent: progress shows record[0].
  virtual void ReportMenuItem(std::wstring record[3]) = 0;
  // WM_INSTALL_STEP (11, 0), posted: the step has ended.
  virtual void ReportEnd() = 0;
};

// The start-menu worker: every record that reads and has a target goes to
// AddMenuItem, then ReportMenuItem; others are skipped silently. Returns the
// number of records handed over.
int RunStartMenuLoop(ShortcutSource& source, StartMenuSink& sink);

// Both sources over an open PackageFile; CreateFolder goes to
// platform::CreateFolder, OpenInstallRecord to InstallRecord::Open.
class PackageSource : public CopySource, public ShortcutSource {
 public:
  explicit PackageSource(PackageFile& package) : package_(package) {}
  int GetFileCount() override;
  bool ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor) override;
  void CreateFolder(const std::wstring& path) override;
  void OpenInstallRecord(const std::wstring& installFolder) override;
  int GetShortcutCount() override;
  bool ReadShortcut(std::wstring texts[3], int& cursor) override;

 private:
  PackageFile& package_;
};

}  // namespace wizard
