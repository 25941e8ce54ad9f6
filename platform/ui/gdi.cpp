// RAII device contexts and GDI objects.
#include "platform/ui/gdi.h"

#include <cstdlib>

#include "platform/ui/app.h"
#include "platform/ui/wnd.h"

namespace ui {

CPaintDC::CPaintDC(HWND hwnd) : m_ps{}, hwnd_(hwnd) { m_hDC = ::BeginPaint(hwnd, &m_ps); }

CPaintDC::CPaintDC(CWnd* wnd) : CPaintDC(wnd->m_hWnd) {}

CPaintDC::~CPaintDC() { ::EndPaint(hwnd_, &m_ps); }

CClientDC::CClientDC(HWND hwnd) : m_hDC(::GetDC(hwnd)), hwnd_(hwnd) {}

CClientDC::~CClientDC() {
  if (m_hDC) ::ReleaseDC(hwnd_, m_hDC);
}

CMemoryDC::CMemoryDC(HDC compatible) : m_hDC(::CreateCompatibleDC(compatible)) {}

CMemoryDC::~CMemoryDC() {
  if (m_hDC) ::DeleteDC(m_hDC);
}

CSelectObject::CSelectObject(HDC dc, HGDIOBJ object)
    : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}

CSelectObject::~CSelectObject() {
  if (dc_ && old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
}

BOOL CBitmap::LoadBitmap(UINT id) {
  Attach(static_cast<HBITMAP>(
      ::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  return m_hObject != nullptr;
}

BOOL CBitmap::CreateCompatibleBitmap(HDC dc, int width, int height) {
  Attach(::CreateCompatibleBitmap(dc, width, height));
  return m_hObject != nullptr;
}

BOOL CFont::CreatePointFont(int pointSize10, const wchar_t* faceName, HDC dc) {
  HDC screen = dc ? nullptr : ::GetDC(nullptr);
  HDC measure = dc ? dc : screen;
  // Tenths of a point to device pixels, then to logical units of `measure`.
  POINT height = {0, ::MulDiv(::GetDeviceCaps(measure, LOGPIXELSY), pointSize10, 720)};
  POINT origin = {0, 0};
  ::DPtoLP(measure, &height, 1);
  ::DPtoLP(measure, &origin, 1);
  if (screen) ::ReleaseDC(nullptr, screen);

  LOGFONTW font = {};
  font.lfHeight = -std::abs(height.y - origin.y);
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, faceName ? faceName : L"", LF_FACESIZE);
  Attach(::CreateFontIndirectW(&font));
  return m_hObject != nullptr;
}

}  // namespace ui
