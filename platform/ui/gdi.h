// Device contexts and GDI objects with RAII, named after the framework's
// classes the installer's painting code uses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ui {

class CWnd;

// BeginPaint / EndPaint on a window.
class CPaintDC {
 public:
  explicit CPaintDC(HWND hwnd);
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  operator HDC() const { return m_hDC; }
  HDC m_hDC;
  PAINTSTRUCT m_ps;

 private:
  HWND hwnd_;
};

// GetDC / ReleaseDC on a window's client area (null: the screen).
class CClientDC {
 public:
  explicit CClientDC(HWND hwnd);
  ~CClientDC();
  CClientDC(const CClientDC&) = delete;
  CClientDC& operator=(const CClientDC&) = delete;
  operator HDC() const { return m_hDC; }
  HDC m_hDC;

 private:
  HWND hwnd_;
};

// A memory device context compatible with `compatible` (null: the screen);
// deleted with the object. m_hDC is null when creation failed.
class CMemoryDC {
 public:
  explicit CMemoryDC(HDC compatible);
  ~CMemoryDC();
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;
  operator HDC() const { return m_hDC; }
  HDC m_hDC;
};

// Selects an object into a device context and selects the previous one back
// when it goes out of scope.
class CSelectObject {
 public:
  CSelectObject(HDC dc, HGDIOBJ object);
  ~CSelectObject();
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// An owned GDI object (bitmap, font, brush, pen), deleted with DeleteObject.
template <class Handle>
class CGdiObject {
 public:
  CGdiObject() = default;
  explicit CGdiObject(Handle handle) : m_hObject(handle) {}
  ~CGdiObject() { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  operator Handle() const { return m_hObject; }
  // Takes ownership of `handle` (the previous object is deleted).
  void Attach(Handle handle) {
    DeleteObject();
    m_hObject = handle;
  }
  // Gives up ownership.
  Handle Detach() {
    Handle h = m_hObject;
    m_hObject = nullptr;
    return h;
  }
  void DeleteObject() {
    if (m_hObject) ::DeleteObject(m_hObject);
    m_hObject = nullptr;
  }
  Handle m_hObject = nullptr;
};

class CBitmap : public CGdiObject<HBITMAP> {
 public:
  // Bitmap resource `id` of AfxGetResourceHandle(); FALSE when missing.
  BOOL LoadBitmap(UINT id);
  BOOL CreateCompatibleBitmap(HDC dc, int width, int height);
};

class CFont : public CGdiObject<HFONT> {
 public:
  // Font whose characters are `pixelHeight` pixels high (without internal
  // leading), for face `faceName`, default character set.
  BOOL CreatePixelFont(int pixelHeight, const wchar_t* faceName);
};

// The pixels of a bitmap of any format, as 0x00RRGGBB in rows from the top;
// false when they cannot be read.
bool ReadPixels(HBITMAP bitmap, int& width, int& height, std::vector<std::uint32_t>& pixels);
// A bitmap of width x height holding `pixels` (0x00RRGGBB, rows from the top);
// null when it cannot be made.
HBITMAP MakeBitmap(int width, int height, const std::uint32_t* pixels);
// A bitmap of the packed DIB at `dib` (header, colour table and bits, in any
// format a .bmp file holds after its file header); null when it is none.
HBITMAP BitmapFromPackedDib(const BYTE* dib, std::size_t size);

}  // namespace ui
