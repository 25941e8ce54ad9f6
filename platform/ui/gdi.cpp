// RAII device contexts and GDI objects.
#include "platform/ui/gdi.h"

#include <cstring>

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

BOOL CFont::CreatePixelFont(int pixelHeight, const wchar_t* faceName) {
  LOGFONTW font = {};
  font.lfHeight = -pixelHeight;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, faceName ? faceName : L"", LF_FACESIZE);
  Attach(::CreateFontIndirectW(&font));
  return m_hObject != nullptr;
}

bool ReadPixels(HBITMAP bitmap, int& width, int& height, std::vector<std::uint32_t>& pixels) {
  BITMAP info = {};
  if (!::GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return false;
  width = info.bmWidth;
  height = info.bmHeight;
  pixels.assign(std::size_t(width) * std::size_t(height), 0);
  BITMAPINFO request = {};
  request.bmiHeader.biSize = sizeof(request.bmiHeader);
  request.bmiHeader.biWidth = width;
  request.bmiHeader.biHeight = -height;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  CClientDC screen(nullptr);
  if (::GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &request, DIB_RGB_COLORS) != height) return false;
  for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
  return true;
}

HBITMAP MakeBitmap(int width, int height, const std::uint32_t* pixels) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) std::memcpy(bits, pixels, std::size_t(width) * std::size_t(height) * 4);
  return bitmap;
}

HBITMAP BitmapFromPackedDib(const BYTE* dib, std::size_t size) {
  BITMAPINFOHEADER header = {};
  if (size < sizeof(header)) return nullptr;
  std::memcpy(&header, dib, sizeof(header));
  if (header.biSize < sizeof(header) || header.biBitCount > 8 || header.biClrUsed > 256) return nullptr;
  const std::size_t colours = header.biClrUsed ? header.biClrUsed : std::size_t(1) << header.biBitCount;
  const std::size_t offset = header.biSize + colours * sizeof(RGBQUAD);
  if (offset >= size) return nullptr;
  CClientDC screen(nullptr);
  return ::CreateDIBitmap(screen, &header, CBM_INIT, dib + offset, reinterpret_cast<const BITMAPINFO*>(dib),
                          DIB_RGB_COLORS);
}

}  // namespace ui
