// The application object and the process-wide answers that hang on it
// (application name, resource module).
#include "platform/ui/app.h"

#include "platform/ui/common_controls.h"

namespace ui {

namespace {

CWinApp* g_application = nullptr;  // the one application object

// The executable's file name without folder and extension.
std::wstring ExecutableBaseName() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, length < MAX_PATH ? length : 0);
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot != 0) name.erase(dot);
  return name;
}

}  // namespace

CWinApp::CWinApp(const wchar_t* appName)
    : m_hInstance(::GetModuleHandleW(nullptr)), appName_(appName ? appName : ExecutableBaseName()) {
  if (!g_application) g_application = this;
}

CWinApp::~CWinApp() {
  if (g_application == this) g_application = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_application; }

const wchar_t* AfxGetAppName() {
  if (g_application) return g_application->GetAppName().c_str();
  static const std::wstring name = ExecutableBaseName();
  return name.c_str();
}

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleW(nullptr); }

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleW(nullptr); }

void AfxEnableControlContainer() {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  commctl::InitCommonControlsEx(&classes);
}

void Enable3dControlsStatic() { AfxEnableControlContainer(); }

int AfxWinMain(HINSTANCE instance, int) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (instance) app->m_hInstance = instance;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

}  // namespace ui
