// SkinButton: construction, configuration, the message map and the
// generated faces and masks. Painting is in skin_button_paint.cpp.
#include "controls/skin_button.h"

#include "platform/ui/common_controls.h"

#include <initializer_list>

#include "platform/ui/app.h"

namespace controls {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr DWORD kButtonTypeMask = 0x0F;
constexpr double kDarkerFactor = 0.25;

// A generated face: the pixels of `face` mapped through `convert`, except
// those of exactly `transparent`, which keep that colour.
template <class Convert>
HBITMAP MakeConvertedFace(HBITMAP face, int width, int height, COLORREF transparent, Convert convert) {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return nullptr;
  HDC resultDC = ::CreateCompatibleDC(screen);
  HDC faceDC = ::CreateCompatibleDC(screen);
  if (!resultDC || !faceDC) {
    if (resultDC) ::DeleteDC(resultDC);
    if (faceDC) ::DeleteDC(faceDC);
    ::ReleaseDC(nullptr, screen);
    return nullptr;
  }
  HBITMAP result = ::CreateCompatibleBitmap(screen, width, height);
  if (!result) {
    ::DeleteDC(resultDC);
    ::DeleteDC(faceDC);
    ::ReleaseDC(nullptr, screen);
    return nullptr;
  }
  HGDIOBJ oldResult = ::SelectObject(resultDC, result);
  HGDIOBJ oldFace = ::SelectObject(faceDC, face);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      COLORREF c = ::GetPixel(faceDC, x, y);
      ::SetPixel(resultDC, x, y, c == transparent ? c : convert(c));
    }
  }
  ::SelectObject(resultDC, oldResult);
  ::SelectObject(faceDC, oldFace);
  ::DeleteDC(resultDC);
  ::DeleteDC(faceDC);
  ::ReleaseDC(nullptr, screen);
  return result;
}

}  // namespace

SkinButton::SkinButton() {
  ResetStateColors(FALSE);
  SetPressedShift(0, FALSE);
}

SkinButton::~SkinButton() {
  if (backgroundDC && backgroundOldBitmap) ::SelectObject(backgroundDC, backgroundOldBitmap);
  backgroundOldBitmap = nullptr;
  ReleaseFaces();
  if (cursor) ::DestroyCursor(cursor);
  cursor = nullptr;
  if (backgroundBitmap) ::DeleteObject(backgroundBitmap);
  backgroundBitmap = nullptr;
  if (backgroundDC) ::DeleteDC(backgroundDC);
  backgroundDC = nullptr;
}

void SkinButton::Repaint() {
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

// ---------------------------------------------------------------- faces

void SkinButton::ReleaseFaces() {
  for (Face& slot : faces) {
    if (slot.face) ::DeleteObject(slot.face);
    if (slot.mask) ::DeleteObject(slot.mask);
    slot = Face{};
  }
}

int SkinButton::TakeFace(int slot, HBITMAP face, COLORREF transparent) {
  Face& f = faces[slot];
  f.face = face;
  f.transparent = transparent;
  BITMAP info = {};
  // GetObjectW also answers for brushes, pens and fonts: only a bitmap will do.
  if (::GetObjectType(face) != OBJ_BITMAP || !::GetObjectW(face, sizeof(info), &info)) return kNotABitmap;
  f.width = info.bmWidth;
  f.height = info.bmHeight;
  return kOk;
}

int SkinButton::SetFaceBitmaps(HBITMAP hot, COLORREF hotTransparent, HBITMAP idle, COLORREF idleTransparent,
                               HBITMAP disabledFace, COLORREF disabledTransparent) {
  ReleaseFaces();
  if (!hot) {
    Repaint();
    return kOk;
  }
  // The button owns every handle it is given: on failure the faces it has
  // taken are released and so are the ones it has not reached yet.
  auto fail = [this](int result, std::initializer_list<HBITMAP> pending) {
    ReleaseFaces();
    for (HBITMAP face : pending) {
      if (face && face != kGrayIdleFace && face != kDarkerIdleFace) ::DeleteObject(face);
    }
    return result;
  };

  if (int result = TakeFace(0, hot, hotTransparent)) return fail(result, {idle, disabledFace});
  // Generated idle faces are made from the hot face before its mask
  // blackens its transparent pixels.
  if (idle == kDarkerIdleFace) {
    idle = MakeDarkerFace(hot, faces[0].width, faces[0].height, hotTransparent);
    idleTransparent = hotTransparent;
  } else if (idle == kGrayIdleFace) {
    idle = MakeGrayFace(hot, faces[0].width, faces[0].height, hotTransparent);
    idleTransparent = hotTransparent;
  }
  faces[0].mask = MakeMaskBitmap(hot, faces[0].width, faces[0].height, hotTransparent);
  if (!faces[0].mask) return fail(kNoMask, {idle, disabledFace});

  if (idle) {
    if (int result = TakeFace(1, idle, idleTransparent)) return fail(result, {disabledFace});
    faces[1].mask = MakeMaskBitmap(idle, faces[1].width, faces[1].height, idleTransparent);
    if (!faces[1].mask) return fail(kNoMask, {disabledFace});
  }
  if (disabledFace) {
    if (int result = TakeFace(2, disabledFace, disabledTransparent)) return fail(result, {});
    faces[2].mask = MakeMaskBitmap(disabledFace, faces[2].width, faces[2].height, disabledTransparent);
    if (!faces[2].mask) return fail(kNoMask, {});
  }
  Repaint();
  return kOk;
}

HBITMAP SkinButton::MakeMaskBitmap(HBITMAP face, int width, int height, COLORREF transparent) {
  HBITMAP mask = ::CreateBitmap(width, height, 1, 1, nullptr);
  if (!mask) return nullptr;
  HDC faceDC = ::CreateCompatibleDC(nullptr);
  HDC maskDC = ::CreateCompatibleDC(nullptr);
  HGDIOBJ oldFace = faceDC ? ::SelectObject(faceDC, face) : nullptr;
  HGDIOBJ oldMask = maskDC ? ::SelectObject(maskDC, mask) : nullptr;
  if (!oldFace || !oldMask || oldFace == HGDI_ERROR || oldMask == HGDI_ERROR) {
    // No context, or the face is selected elsewhere: no mask.
    if (faceDC) {
      if (oldFace && oldFace != HGDI_ERROR) ::SelectObject(faceDC, oldFace);
      ::DeleteDC(faceDC);
    }
    if (maskDC) {
      if (oldMask && oldMask != HGDI_ERROR) ::SelectObject(maskDC, oldMask);
      ::DeleteDC(maskDC);
    }
    ::DeleteObject(mask);
    return nullptr;
  }
  // Colour to monochrome: 1 where the face has the background colour.
  ::SetBkColor(faceDC, transparent);
  ::BitBlt(maskDC, 0, 0, width, height, faceDC, 0, 0, SRCCOPY);
  // Monochrome to colour: 1 -> background (black), 0 -> text (white); AND
  // blackens exactly the transparent pixels.
  ::SetTextColor(faceDC, kWhite);
  ::SetBkColor(faceDC, kBlack);
  ::BitBlt(faceDC, 0, 0, width, height, maskDC, 0, 0, SRCAND);
  ::SelectObject(faceDC, oldFace);
  ::SelectObject(maskDC, oldMask);
  ::DeleteDC(faceDC);
  ::DeleteDC(maskDC);
  return mask;
}

HBITMAP SkinButton::MakeGrayFace(HBITMAP face, int width, int height, COLORREF transparent) {
  return MakeConvertedFace(face, width, height, transparent, [](COLORREF c) {
    double grey = 0.587 * GetGValue(c) + 0.114 * GetBValue(c) + 0.299 * GetRValue(c);
    BYTE g = BYTE(int(grey) & 0xFF);
    return RGB(g, g, g);
  });
}

HBITMAP SkinButton::MakeDarkerFace(HBITMAP face, int width, int height, COLORREF transparent) {
  return MakeConvertedFace(face, width, height, transparent,
                           [](COLORREF c) { return ScaleColorDown(c, kDarkerFactor); });
}

COLORREF SkinButton::ScaleColorDown(COLORREF colour, double factor) {
  if (!(factor > 0.0 && factor <= 1.0)) return colour;
  auto scale = [factor](BYTE v) { return int(double(v) - double(v) * factor); };
  return COLORREF(scale(GetRValue(colour)) | (scale(GetGValue(colour)) << 8) | (scale(GetBValue(colour)) << 16));
}

// ---------------------------------------------------------------- options

int SkinButton::UseParentBackground(BOOL repaint) {
  useParentBackground = TRUE;
  DropBackgroundCopy();
  if (repaint) Repaint();
  return kOk;
}

int SkinButton::SetFocusRectInFlat(BOOL enable, BOOL repaint) {
  focusRectInFlat = enable;
  if (repaint) Repaint();
  return kOk;
}

int SkinButton::SetBorderVisible(BOOL enable, BOOL repaint) {
  borderVisible = enable;
  if (repaint) Repaint();
  return kOk;
}

int SkinButton::SetHoverCursor(UINT cursorId, BOOL repaint) {
  if (cursor) ::DestroyCursor(cursor);
  cursor = nullptr;
  if (cursorId == 0) return kOk;
  cursor = static_cast<HCURSOR>(::LoadImageW(ui::AfxGetResourceHandle(), MAKEINTRESOURCEW(cursorId & 0xFFFF),
                                             IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR));
  if (repaint) Repaint();
  return cursor ? kOk : kCursorNotLoaded;
}

int SkinButton::SetPressedShift(BYTE style, BOOL repaint) {
  switch (style) {
    case 0:
      pressedShiftX = 1;
      pressedShiftY = 1;
      break;
    case 1:
      pressedShiftX = 0;
      pressedShiftY = 2;
      break;
    default:
      return kBadShiftStyle;
  }
  if (repaint) Repaint();
  return kOk;
}

int SkinButton::ResetStateColors(BOOL repaint) {
  for (ColorPair& pair : stateColors) pair = {::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT)};
  if (repaint) Repaint();
  return kOk;
}

int SkinButton::SetCheckState(int check, BOOL repaint) {
  if (checkMode) {
    checkState = check != 0;
    if (repaint) Repaint();
  }
  return kOk;
}

// ---------------------------------------------------------------- messages

void SkinButton::PreSubclassWindow() {
  DWORD style = DWORD(::GetWindowLongW(m_hWnd, GWL_STYLE)) & 0xFF;
  if (style & BS_CHECKBOX) checkMode = TRUE;
  if (style == BS_RADIOBUTTON || style == BS_AUTORADIOBUTTON) checkMode = radioMode = TRUE;
  if ((style & kButtonTypeMask) == BS_DEFPUSHBUTTON) isDefault = TRUE;
  ModifyStyle(kButtonTypeMask, BS_OWNERDRAW, SWP_FRAMECHANGED);
  CButton::PreSubclassWindow();
}

BOOL SkinButton::PreTranslateMessage(MSG* msg) {
  // The standard button turns a double click on an owner-drawn button into
  // BN_DOUBLECLICKED; as a second press it gives a second BN_CLICKED.
  if (msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
  return CButton::PreTranslateMessage(msg);
}

BOOL SkinButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) return OnReflectedClick();
      return FALSE;
    case WM_CTLCOLORBTN:
      *result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(wParam), CTLCOLOR_BTN));
      return TRUE;
    default:
      return CButton::OnChildNotify(message, wParam, lParam, result);
  }
}

LRESULT SkinButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      return Default();
    case WM_KILLFOCUS: {
      LRESULT result = Default();
      EndHover();
      return result;
    }
    case WM_MOUSEMOVE:
      OnMouseMove(UINT(wParam), {short(LOWORD(lParam)), short(HIWORD(lParam))});
      return 0;
    case WM_SYSCOLORCHANGE: {
      LRESULT result = Default();
      DropBackgroundCopy();
      ResetStateColors(TRUE);
      return result;
    }
    case WM_ACTIVATE: {
      LRESULT result = Default();
      if (LOWORD(wParam) == WA_INACTIVE) EndHover();
      return result;
    }
    case WM_ENABLE: {
      LRESULT result = Default();
      if (!wParam) {
        HWND parent = GetParent();
        HWND next = ::GetNextDlgTabItem(parent, m_hWnd, FALSE);
        ::SetFocus(next ? next : parent);
        EndHover();
      }
      return result;
    }
    case WM_CANCELMODE: {
      LRESULT result = Default();
      EndHover();
      return result;
    }
    case WM_GETDLGCODE:
      return Default() | (isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
      return OnSetStyle(wParam, lParam);
    case WM_MOUSELEAVE:
      EndHover();
      return 0;
    case BM_SETCHECK:
      SetCheckState(wParam == BST_CHECKED || wParam == BST_INDETERMINATE ? 1 : 0, TRUE);
      return 0;
    case BM_GETCHECK:
      return GetCheckState();
    default:
      return Default();
  }
}

BOOL SkinButton::OnSetCursor() {
  if (!cursor) return FALSE;
  ::SetCursor(cursor);
  return TRUE;
}

void SkinButton::OnMouseMove(UINT flags, POINT point) {
  Default();
  POINT screen = point;
  ClientToScreen(&screen);
  HWND under = ::WindowFromPoint(screen);
  // A pointer that arrives with the left button held down (a drag begun
  // elsewhere) does not light the button.
  if ((flags & MK_LBUTTON) && !hover) return;
  if (!flat) return;
  HWND active = trackWhenInactive ? m_hWnd : ::GetActiveWindow();
  if (under == m_hWnd && active) {
    if (hover) return;
    hover = TRUE;
    Repaint();
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = m_hWnd;
    ui::commctl::TrackMouseEvent(&track);
    return;
  }
  EndHover();
}

void SkinButton::EndHover() {
  if (flat && hover) {
    hover = FALSE;
    Repaint();
  }
}

BOOL SkinButton::OnReflectedClick() {
  SetFocus();
  if (radioMode) {
    if (!checkState) {
      checkState = TRUE;
      Repaint();
    }
  } else if (checkMode) {
    checkState = !checkState;
    Repaint();
  }
  // Never handled here: the parent's BN_CLICKED handling follows.
  return FALSE;
}

HBRUSH SkinButton::CtlColor(HDC, UINT) { return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)); }

LRESULT SkinButton::OnSetStyle(WPARAM style, LPARAM repaint) {
  DWORD type = DWORD(style) & kButtonTypeMask;
  if (type == BS_DEFPUSHBUTTON)
    isDefault = TRUE;
  else if (type == BS_PUSHBUTTON)
    isDefault = FALSE;
  // The control stays owner-drawn whatever the dialog manager asks for.
  return ui::commctl::DefSubclassProc(m_hWnd, BM_SETSTYLE, (style & ~WPARAM(4)) | BS_OWNERDRAW, repaint);
}

}  // namespace controls
