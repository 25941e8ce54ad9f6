// min-dialog: the smallest Win32 dialog program, the yardstick for the
// installer's start-up time (bench/startup_wine.sh starts both the same way
// and waits for their first visible window). A modal dialog from an
// in-memory template with one text and one button, in the wizard's font.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

// Appends a UTF-16 string with its terminating zero to a template.
void PutText(std::vector<WORD>& t, const wchar_t* text) {
  do t.push_back(static_cast<WORD>(*text));
  while (*text++);
}

void Align(std::vector<WORD>& t) {
  if (t.size() % 2) t.push_back(0);  // DWORD alignment of items
}

void PutItem(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls,
             const wchar_t* text) {
  Align(t);
  DLGITEMTEMPLATE item{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
  const WORD* words = reinterpret_cast<const WORD*>(&item);
  t.insert(t.end(), words, words + sizeof item / sizeof(WORD));
  t.push_back(0xFFFF);
  t.push_back(cls);
  PutText(t, text);
  t.push_back(0);  // no creation data
}

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  std::vector<WORD> t;
  DLGTEMPLATE head{DS_SETFONT | DS_CENTER | WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 2, 0, 0, 343, 180};
  const WORD* words = reinterpret_cast<const WORD*>(&head);
  t.insert(t.end(), words, words + sizeof head / sizeof(WORD));
  t.push_back(0);  // no menu
  t.push_back(0);  // standard class
  PutText(t, L"min-dialog");
  t.push_back(9);                           // point size
  PutText(t, L"\u5FAE\u8F6F\u96C5\u9ED1");  // 微软雅黑
  PutItem(t, SS_LEFT, 20, 20, 200, 12, 100, 0x0082, L"Minimal dialog");
  PutItem(t, BS_DEFPUSHBUTTON | WS_TABSTOP, 285, 141, 45, 18, IDOK, 0x0080, L"OK");
  return static_cast<int>(
      DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(t.data()), nullptr, Proc, 0));
}
