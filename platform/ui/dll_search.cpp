// The DLL search of the programs: limited to System32 at start-up, and the
// loading of the system DLLs that are not known DLLs.
#include "platform/ui/dll_search.h"

namespace ui {

namespace {

// Written once by RestrictDllSearch, before any other code of the program
// runs; only read afterwards.
bool g_searchRestricted = false;

// DLLs that system DLLs load by name alone, at start-up or later: themes,
// window composition, version resources, cryptography, user profiles,
// property stores, compatibility, accessibility, access control. Loaded
// first by full path only where the search cannot be limited.
constexpr const wchar_t* kLoadedByNameBySystem[] = {
    L"uxtheme.dll", L"dwmapi.dll",  L"version.dll", L"cryptbase.dll", L"profapi.dll",
    L"userenv.dll", L"propsys.dll", L"apphelp.dll", L"oleacc.dll",    L"ntmarta.dll",
};

// `path` = the System32 folder, a backslash, `name`; false when it does
// not fit. No C runtime: this runs before the runtime starts.
bool SystemPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
  UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH - 1) return false;
  if (path[length - 1] != L'\\') path[length++] = L'\\';
  for (; *name; ++name) {
    if (length + 1 >= MAX_PATH) return false;
    path[length++] = *name;
  }
  path[length] = L'\0';
  return true;
}

HMODULE LoadByFullPath(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  if (!SystemPath(name, path)) return nullptr;
  // Its own dependencies are looked for beside it, in System32, first.
  return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// True when the program's activation context maps `name` to a DLL of the
// side-by-side store, which the loader then takes whatever the search says.
bool Redirected(const wchar_t* name) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof(data);
  return ::FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name, &data) != FALSE;
}

}  // namespace

void RestrictDllSearch() {
  auto* setDefaultDirectories = DllFunction<decltype(::SetDefaultDllDirectories)>(::GetModuleHandleW(L"kernel32.dll"),
                                                                                  "SetDefaultDllDirectories");
  if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    g_searchRestricted = true;
    return;
  }
  ::SetDllDirectoryW(L"");
  for (const wchar_t* name : kLoadedByNameBySystem) LoadByFullPath(name);
}

HMODULE LoadSystemDll(const wchar_t* name) {
  // By name: the activation context comes first (a full path would bypass
  // it and bring the old common controls beside the side-by-side ones),
  // then System32 alone.
  if (g_searchRestricted || Redirected(name)) return ::LoadLibraryW(name);
  return LoadByFullPath(name);
}

}  // namespace ui
