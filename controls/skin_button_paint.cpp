// SkinButton painting: DrawItem and its steps (background, frame, face,
// caption, focus rectangle) and the copy of the parent's background.
#include "controls/skin_button.h"

namespace controls {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A solid rectangle without disturbing the context's background colour.
void FillSolid(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  COLORREF old = ::SetBkColor(dc, colour);
  RECT r = {x, y, x + width, y + height};
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  ::SetBkColor(dc, old);
}

// One-pixel frame: top and left in topLeft, bottom and right in bottomRight.
void Draw3dRect(HDC dc, const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  int x = rect->left, y = rect->top;
  int cx = rect->right - rect->left, cy = rect->bottom - rect->top;
  FillSolid(dc, x, y, cx - 1, 1, topLeft);
  FillSolid(dc, x, y, 1, cy - 1, topLeft);
  FillSolid(dc, x + cx - 1, y, 1, cy, bottomRight);
  FillSolid(dc, x, y + cy - 1, cx, 1, bottomRight);
}

void Line(HDC dc, COLORREF colour, int x1, int y1, int x2, int y2) {
  HPEN pen = ::CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = ::SelectObject(dc, pen);
  ::MoveToEx(dc, x1, y1, nullptr);
  ::LineTo(dc, x2, y2);
  ::SelectObject(dc, old);
  ::DeleteObject(pen);
}

}  // namespace

void SkinButton::DrawItem(DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  if (checkMode)
    pressed = (item->itemState & ODS_SELECTED) || checkState;
  else
    pressed = (item->itemState & ODS_SELECTED) != 0;
  focused = (item->itemState & ODS_FOCUS) != 0;
  disabled = (item->itemState & ODS_DISABLED) != 0;
  RECT itemRect = item->rcItem;

  ::SetBkMode(dc, TRANSPARENT);
  if (useParentBackground)
    CopyParentBackground(dc);
  else
    PaintFaceBackground(dc, &itemRect);
  PaintFrame(dc, &itemRect);

  std::wstring caption = m_hWnd ? GetWindowText() : std::wstring();
  RECT captionRect = item->rcItem;
  if (faces[0].face) {
    ::SetBkColor(dc, kWhite);
    PaintBitmapFace(dc, !caption.empty(), &item->rcItem, &captionRect, pressed, disabled);
  }
  if (!caption.empty()) PaintCaption(dc, caption, &item->rcItem, &captionRect, pressed, disabled);
  if ((!flat || focusRectInFlat) && focused) {
    RECT focus = itemRect;
    ::InflateRect(&focus, -3, -3);
    ::DrawFocusRect(dc, &focus);
  }
}

void SkinButton::CopyParentBackground(HDC dc) {
  HWND parent = GetParent();
  HDC parentDC = ::GetDC(parent);
  if (!parentDC) return;
  RECT size;
  GetClientRect(&size);
  RECT place;
  GetWindowRect(&place);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
  int width = size.right - size.left;
  int height = size.bottom - size.top;
  if (!backgroundDC) {
    backgroundDC = ::CreateCompatibleDC(parentDC);
    backgroundBitmap = ::CreateCompatibleBitmap(parentDC, width, height);
    if (backgroundDC && backgroundBitmap) {
      backgroundOldBitmap = ::SelectObject(backgroundDC, backgroundBitmap);
      ::BitBlt(backgroundDC, 0, 0, width, height, parentDC, place.left, place.top, SRCCOPY);
    }
  }
  if (backgroundDC && backgroundOldBitmap) ::BitBlt(dc, 0, 0, width, height, backgroundDC, 0, 0, SRCCOPY);
  ::ReleaseDC(parent, parentDC);
}

void SkinButton::DropBackgroundCopy() {
  if (backgroundDC && backgroundOldBitmap) ::SelectObject(backgroundDC, backgroundOldBitmap);
  backgroundOldBitmap = nullptr;
  if (backgroundBitmap) ::DeleteObject(backgroundBitmap);
  backgroundBitmap = nullptr;
  if (backgroundDC) ::DeleteDC(backgroundDC);
  backgroundDC = nullptr;
}

void SkinButton::PaintFaceBackground(HDC dc, RECT* rect) {
  if (!flat && (focused || isDefault)) {
    ::FrameRect(dc, rect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::InflateRect(rect, -1, -1);
  }
  const ColorPair& colours = (hover || pressed) ? stateColors[0] : focused ? stateColors[2] : stateColors[1];
  HBRUSH brush = ::CreateSolidBrush(colours.background);
  ::FillRect(dc, rect, brush);
  ::DeleteObject(brush);
}

void SkinButton::PaintFrame(HDC dc, RECT* rect) {
  if (pressed) {
    if (flat) {
      if (borderVisible) Draw3dRect(dc, rect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    } else {
      ::FrameRect(dc, rect, ::GetSysColorBrush(COLOR_BTNSHADOW));
    }
    return;
  }
  if (flat) {
    if (hover && borderVisible) Draw3dRect(dc, rect, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    return;
  }
  // Raised frame of two lines per side.
  const RECT& r = *rect;
  Line(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT), r.left, r.bottom - 1, r.left, r.top);
  Line(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT), r.left, r.top, r.right, r.top);
  Line(dc, ::GetSysColor(COLOR_3DLIGHT), r.left + 1, r.bottom - 2, r.left + 1, r.top + 1);
  Line(dc, ::GetSysColor(COLOR_3DLIGHT), r.left + 1, r.top + 1, r.right - 1, r.top + 1);
  Line(dc, ::GetSysColor(COLOR_3DDKSHADOW), r.left, r.bottom - 1, r.right - 1, r.bottom - 1);
  Line(dc, ::GetSysColor(COLOR_3DDKSHADOW), r.right - 1, r.top - 1, r.right - 1, r.bottom);
  Line(dc, ::GetSysColor(COLOR_BTNSHADOW), r.left + 1, r.bottom - 2, r.right - 2, r.bottom - 2);
  Line(dc, ::GetSysColor(COLOR_BTNSHADOW), r.right - 2, r.top, r.right - 2, r.bottom - 1);
}

RECT SkinButton::PlaceFace(BOOL hasCaption, const RECT* itemRect, RECT* captionRect, BOOL isPressed, int faceWidth,
                           int faceHeight) const {
  RECT faceRect = *itemRect;
  auto width = [&] { return faceRect.right - faceRect.left; };
  auto height = [&] { return faceRect.bottom - faceRect.top; };
  auto centreVertically = [&] { faceRect.top += (height() - faceHeight) / 2; };
  switch (faceAlign) {
    case 0:
      if (!hasCaption) {
        faceRect.left += (width() - faceWidth) / 2;
      } else {
        faceRect.left += marginX;
        captionRect->left += marginX + faceWidth;
      }
      centreVertically();
      break;
    case 1:
      faceRect.left += (width() - faceWidth) / 2;
      if (hasCaption) {
        faceRect.top = marginY;
        captionRect->top += faceHeight;
      } else {
        centreVertically();
      }
      break;
    case 2:
      if (hasCaption) {
        captionRect->right -= captionRect->left + marginX + faceWidth;
        captionRect->left = marginX;
        RECT client;
        GetClientRect(&client);
        faceRect.left = client.right - marginX - faceWidth;
        centreVertically();
      } else {
        faceRect.left += (width() - faceWidth) / 2;
      }
      break;
    default:
      break;
  }
  if (isPressed && !checkMode) ::OffsetRect(&faceRect, pressedShiftX, pressedShiftY);
  return faceRect;
}

void SkinButton::PaintBitmapFace(HDC dc, BOOL hasCaption, const RECT* itemRect, RECT* captionRect, BOOL isPressed,
                                 BOOL isDisabled) {
  int slot = 0;
  if (isDisabled)
    slot = faces[2].face ? 2 : 0;
  else if (checkMode)
    slot = isPressed ? 0 : (faces[1].face ? 1 : 0);
  else
    slot = (isPressed || hover) ? 0 : (faces[1].face ? 1 : 0);
  const Face& face = faces[slot];
  if (!face.face || !face.mask) return;

  RECT faceRect = PlaceFace(hasCaption, itemRect, captionRect, isPressed, face.width, face.height);
  HDC faceDC = ::CreateCompatibleDC(dc);
  HDC maskDC = ::CreateCompatibleDC(nullptr);
  if (faceDC && maskDC) {
    HGDIOBJ oldFace = ::SelectObject(faceDC, face.face);
    HGDIOBJ oldMask = ::SelectObject(maskDC, face.mask);
    // Mask: white (1) keeps the background, black (0) clears it; the face,
    // black where transparent, is then ORed in.
    ::BitBlt(dc, faceRect.left, faceRect.top, face.width, face.height, maskDC, 0, 0, SRCAND);
    ::BitBlt(dc, faceRect.left, faceRect.top, face.width, face.height, faceDC, 0, 0, SRCPAINT);
    ::SelectObject(faceDC, oldFace);
    ::SelectObject(maskDC, oldMask);
  }
  if (faceDC) ::DeleteDC(faceDC);
  if (maskDC) ::DeleteDC(maskDC);
}

void SkinButton::PaintCaption(HDC dc, const std::wstring& caption, const RECT*, RECT* captionRect, BOOL isPressed,
                              BOOL isDisabled) {
  if (isPressed && !checkMode) ::OffsetRect(captionRect, pressedShiftX, pressedShiftY);
  // Centre the measured text block in the caption rectangle.
  RECT full = *captionRect;
  ::DrawTextW(dc, caption.c_str(), -1, captionRect, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
  ::OffsetRect(captionRect, ((full.right - full.left) - (captionRect->right - captionRect->left)) / 2,
               ((full.bottom - full.top) - (captionRect->bottom - captionRect->top)) / 2);
  ::SetBkMode(dc, TRANSPARENT);
  if (isDisabled) {
    ::OffsetRect(captionRect, 1, 1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_3DHILIGHT));
    ::DrawTextW(dc, caption.c_str(), -1, captionRect, DT_WORDBREAK | DT_CENTER);
    ::OffsetRect(captionRect, -1, -1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_3DSHADOW));
    ::DrawTextW(dc, caption.c_str(), -1, captionRect, DT_WORDBREAK | DT_CENTER);
    return;
  }
  const ColorPair& colours = (hover || isPressed) ? stateColors[0] : focused ? stateColors[2] : stateColors[1];
  ::SetTextColor(dc, colours.text);
  ::SetBkColor(dc, colours.background);
  ::DrawTextW(dc, caption.c_str(), -1, captionRect, DT_WORDBREAK | DT_CENTER);
}

}  // namespace controls
