// The desktop's shell is found through the shell-windows list; its view's
// background object leads to the Shell.Application object of that Explorer
// process, whose ShellExecute starts the program in Explorer's context.
#include "integration/win/start_program.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "integration/win/com_ptr.h"

namespace {

// A VARIANT that clears itself.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  explicit Variant(int value) : Variant() {
    V_VT(&v_) = VT_I4;
    V_I4(&v_) = value;
  }
  explicit Variant(const std::wstring& text) : Variant() {
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = ::SysAllocStringLen(text.data(), UINT(text.size()));
  }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* Get() { return &v_; }
  const VARIANT& Value() const { return v_; }

 private:
  VARIANT v_;
};

// Shell.Application of the Explorer that shows the desktop, or null.
bool DesktopShell(ComPtr<IShellDispatch2>& shell) {
  ComPtr<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.ReceiveVoid())))
    return false;
  Variant desktop(CSIDL_DESKTOP);
  Variant none;
  long window = 0;
  ComPtr<IDispatch> found;
  if (windows->FindWindowSW(desktop.Get(), none.Get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, found.Receive()) !=
          S_OK ||
      !found)
    return false;
  ComPtr<IServiceProvider> services;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folderView;
  ComPtr<IDispatch> application;
  return SUCCEEDED(found->QueryInterface(IID_IServiceProvider, services.ReceiveVoid())) &&
         SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid())) &&
         SUCCEEDED(browser->QueryActiveShellView(view.Receive())) &&
         SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) &&
         SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid())) &&
         SUCCEEDED(folderView->get_Application(application.Receive())) && application &&
         SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.ReceiveVoid()));
}

// One request to the desktop shell, shared by the caller and the thread that
// asks the shell; the last of the two to let go deletes it.
struct ShellRequest {
  std::wstring program;
  std::wstring folder;
  HANDLE answered = nullptr;  // set when the thread has its answer
  // kFinding until the thread hands the program to the shell (kAsking) or
  // the caller stops waiting first (kAbandoned): only one of them wins.
  volatile LONG stage = 0;
  ProgramStart result = ProgramStart::Failed;
  volatile LONG holders = 2;
};
constexpr LONG kFinding = 0, kAsking = 1, kAbandoned = 2;

void LetGo(ShellRequest* request) {
  if (::InterlockedDecrement(&request->holders) != 0) return;
  ::CloseHandle(request->answered);
  delete request;
}

DWORD WINAPI AskDesktopShell(void* parameter) {
  auto* request = static_cast<ShellRequest*>(parameter);
  const bool com = SUCCEEDED(::CoInitialize(nullptr));
  {
    ComPtr<IShellDispatch2> shell;
    if (DesktopShell(shell) && ::InterlockedCompareExchange(&request->stage, kAsking, kFinding) == kFinding) {
      Variant file(request->program), parameters(std::wstring{}), where(request->folder), verb(std::wstring(L"open")),
          show(SW_SHOW);
      if (SUCCEEDED(
              shell->ShellExecute(V_BSTR(file.Get()), parameters.Value(), where.Value(), verb.Value(), show.Value())))
        request->result = ProgramStart::ThroughDesktopShell;
    }
  }
  if (com) ::CoUninitialize();
  ::SetEvent(request->answered);
  LetGo(request);
  return 0;
}

// Asks the desktop shell within timeoutMs: ThroughDesktopShell, ShellTimedOut
// (handed over, no answer), or Failed (not handed over: start it directly).
ProgramStart StartThroughDesktopShell(const std::wstring& program, const std::wstring& folder,
                                      unsigned long timeoutMs) {
  auto* request = new ShellRequest;
  request->program = program;
  request->folder = folder;
  request->answered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = request->answered ? ::CreateThread(nullptr, 0, AskDesktopShell, request, 0, nullptr) : nullptr;
  if (thread == nullptr) {
    if (request->answered) ::CloseHandle(request->answered);
    delete request;
    return ProgramStart::Failed;
  }
  ::CloseHandle(thread);
  ProgramStart result = ProgramStart::Failed;
  if (::WaitForSingleObject(request->answered, timeoutMs) == WAIT_OBJECT_0) {
    result = request->result;
  } else if (::InterlockedCompareExchange(&request->stage, kAbandoned, kFinding) == kAsking) {
    result = ProgramStart::ShellTimedOut;
  }
  LetGo(request);
  return result;
}

}  // namespace

ProgramStart StartProgramAsUser(const std::wstring& program, const std::wstring& directory, unsigned long timeoutMs) {
  std::wstring folder = directory;
  if (folder.empty()) {
    // Explorer has a current directory of its own: hand over the installer's.
    folder.resize(MAX_PATH);
    const DWORD n = ::GetCurrentDirectoryW(DWORD(folder.size()), folder.data());
    folder.resize(n < folder.size() ? n : 0);
  }
  const ProgramStart shell = StartThroughDesktopShell(program, folder, timeoutMs);
  if (shell != ProgramStart::Failed) return shell;
  const HINSTANCE started = ::ShellExecuteW(nullptr, L"open", program.c_str(), L"", directory.c_str(), SW_SHOW);
  return reinterpret_cast<INT_PTR>(started) > 32 ? ProgramStart::Direct : ProgramStart::Failed;
}
