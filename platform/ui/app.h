// The application object: the small stand-in for the framework's CWinApp.
//
// All window-layer classes live in namespace ui and keep the framework's
// names (ui::CWinApp, ui::CDialog, ui::CWnd, ui::CButton, ui::CComboBox), so
// the installer's code reads like ordinary dialog-framework code.
//
// The program defines exactly one global object of a class derived from
// ui::CWinApp (the installer's `theApp`) and an entry that hands over to it:
//
//     int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
//     { return ui::AfxWinMain(instance, show); }
//
// AfxWinMain runs InitInstance; when it returns FALSE the program ends at
// once, otherwise Run() pumps messages until WM_QUIT. ExitInstance runs in
// both cases and its result is the process exit code.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class CWnd;

class CWinApp {
 public:
  // appName: the application name; null means the executable's file name
  // without folder and extension (what message boxes use as caption).
  explicit CWinApp(const wchar_t* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up work of the program; FALSE ends the program after ExitInstance.
  virtual BOOL InitInstance();
  // Message loop until WM_QUIT (only when InitInstance returned TRUE);
  // returns ExitInstance's result.
  virtual int Run();
  // Last work before the process ends; the result is the exit code (0).
  virtual int ExitInstance();

  // The application name (see the constructor).
  const std::wstring& GetAppName() const { return appName_; }

  CWnd* m_pMainWnd = nullptr;       // the program's main window, if any
  HINSTANCE m_hInstance = nullptr;  // module handle of the executable

 private:
  std::wstring appName_;
};

// The one application object, or null when the program has none (tests).
CWinApp* AfxGetApp();
// The application name; without an application object the executable's file
// name without extension.
const wchar_t* AfxGetAppName();
// Module that holds the dialog templates, bitmaps, cursors and icons: the
// executable itself.
HINSTANCE AfxGetResourceHandle();
HINSTANCE AfxGetInstanceHandle();

// Kept for the start-up sequence of the installer. This layer hosts no OLE
// controls and common controls draw with the system look by themselves, so
// both only make sure the common-control classes are registered.
void AfxEnableControlContainer();
void Enable3dControlsStatic();

// The program's wWinMain hands over here: runs the application object.
int AfxWinMain(HINSTANCE instance, int showCommand);

// While it lives, the windows this thread makes use the common controls that
// the program's second manifest (RT_MANIFEST resource 2) asks for, instead of
// those of its main manifest: the installer's asks for version 6, the look
// of today's Windows, for its message boxes and its finish dialog. Without
// that resource nothing changes.
class ControlsManifestScope {
 public:
  ControlsManifestScope();
  ~ControlsManifestScope();
  ControlsManifestScope(const ControlsManifestScope&) = delete;
  ControlsManifestScope& operator=(const ControlsManifestScope&) = delete;

 private:
  HANDLE context_;
  ULONG_PTR cookie_ = 0;
};

}  // namespace ui
