// SkinButton: an owner-drawn push button whose whole look comes from face
// bitmaps: a hot face while the pointer is over it or it is pressed, an idle
// face otherwise, an optional disabled face; drawn over a copy of what the
// parent shows behind the button, shifted while pressed, with a cursor of
// its own. It never consumes a click: the parent's BN_CLICKED follows.
//
// Bind it to a dialog's button with ui::DDX_Control (which calls
// PreSubclassWindow: the control becomes BS_OWNERDRAW), then configure it.
// The button owns every bitmap given to SetFaceBitmaps (two slots must not
// share a handle) and modifies faces in place: transparent pixels turn black.
#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/button.h"

namespace controls {

class SkinButton : public ui::CButton {
 public:
  // Special idle-face handles for SetFaceBitmaps: a grey copy, or a copy
  // at three quarters brightness, of the hot face.
  static inline const HBITMAP kGrayIdleFace = reinterpret_cast<HBITMAP>(INT_PTR(-2));
  static inline const HBITMAP kDarkerIdleFace = reinterpret_cast<HBITMAP>(INT_PTR(-3));

  // Result codes (0 is success).
  enum : int {
    kOk = 0,
    kNotABitmap = 1,       // SetFaceBitmaps: GetObjectW failed on a face
    kNoMask = 2,           // SetFaceBitmaps: a mask could not be made
    kCursorNotLoaded = 1,  // SetHoverCursor
    kBadShiftStyle = 6,    // SetPressedShift
  };

  SkinButton();
  // Releases everything the button owns: background copy, faces and masks,
  // cursor (in that order).
  ~SkinButton() override;

  // Replaces all faces (slot 0 hot, 1 idle, 2 disabled), each with its
  // transparent colour. hot null: no faces. idle may be kGrayIdleFace or
  // kDarkerIdleFace. Returns 0, 1 when a handle is no bitmap, 2 when a mask
  // cannot be made; on 1 or 2 every face (also those taken over) is
  // released and nothing is repainted. Repaints on success.
  int SetFaceBitmaps(HBITMAP hot, COLORREF hotTransparent, HBITMAP idle, COLORREF idleTransparent, HBITMAP disabledFace,
                     COLORREF disabledTransparent);
  // Paint a copy of the parent's background instead of a colour fill; drops
  // the current copy so the next paint takes a new one. Returns 0.
  int UseParentBackground(BOOL repaint);
  int SetFocusRectInFlat(BOOL enable, BOOL repaint);
  int SetBorderVisible(BOOL enable, BOOL repaint);
  // Destroys the current cursor; cursorId 0 stops there (0). Otherwise
  // loads cursor resource cursorId, `size` pixels square (0: the system's
  // cursor size; another size scales the image and its hot spot); 1 when it
  // cannot be loaded, else 0.
  int SetHoverCursor(UINT cursorId, BOOL repaint, int size = 0);
  // style 0: pressed shift (1, 1); style 1: (0, 2); other: 6, no change.
  int SetPressedShift(BYTE style, BOOL repaint);
  // All three colour pairs become (COLOR_BTNFACE, COLOR_BTNTEXT). Returns 0.
  int ResetStateColors(BOOL repaint);
  // Check-box / radio style buttons only: sets the check state. Returns 0.
  int SetCheckState(int check, BOOL repaint);
  BOOL GetCheckState() const { return checkState; }

  // Monochrome mask of `face`: 1 where the face has exactly `transparent`,
  // 0 elsewhere; the face's transparent pixels are turned black in place.
  // Null when the mask cannot be made.
  static HBITMAP MakeMaskBitmap(HBITMAP face, int width, int height, COLORREF transparent);
  // New grey copy of `face`; pixels of `transparent` keep that colour.
  static HBITMAP MakeGrayFace(HBITMAP face, int width, int height, COLORREF transparent);
  // New copy of `face` at three quarters of each channel; pixels of
  // `transparent` keep that colour.
  static HBITMAP MakeDarkerFace(HBITMAP face, int width, int height, COLORREF transparent);
  // Each channel v becomes trunc(v - v * factor) for 0 < factor <= 1;
  // other factors return the colour unchanged.
  static COLORREF ScaleColorDown(COLORREF colour, double factor);

  // --- framework overrides ---
  void PreSubclassWindow() override;
  // A double click reaches the button as a second press (two clicks).
  BOOL PreTranslateMessage(MSG* msg) override;
  void DrawItem(DRAWITEMSTRUCT* item) override;
  // Reflected BN_CLICKED and WM_CTLCOLORBTN, WM_DRAWITEM.
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  // The button's message map.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Paint steps of DrawItem.
  virtual void PaintFaceBackground(HDC dc, RECT* rect);
  virtual void PaintFrame(HDC dc, RECT* rect);
  virtual void PaintBitmapFace(HDC dc, BOOL hasCaption, const RECT* itemRect, RECT* captionRect, BOOL isPressed,
                               BOOL isDisabled);
  virtual void PaintCaption(HDC dc, const std::wstring& caption, const RECT* itemRect, RECT* captionRect,
                            BOOL isPressed, BOOL isDisabled);

  // Where a face of the given size goes (may move captionRect).
  RECT PlaceFace(BOOL hasCaption, const RECT* itemRect, RECT* captionRect, BOOL isPressed, int faceWidth,
                 int faceHeight) const;
  void CopyParentBackground(HDC dc);
  void DropBackgroundCopy();
  void EndHover();
  void ReleaseFaces();
  void Repaint();

  // Message handlers.
  BOOL OnSetCursor();
  void OnMouseMove(UINT flags, POINT point);
  BOOL OnReflectedClick();
  HBRUSH CtlColor(HDC dc, UINT controlKind);
  LRESULT OnSetStyle(WPARAM style, LPARAM repaint);

 private:
  struct Face {
    HBITMAP face = nullptr;
    int width = 0;
    int height = 0;
    HBITMAP mask = nullptr;
    COLORREF transparent = 0;
  };
  struct ColorPair {
    COLORREF background;
    COLORREF text;
  };
  int TakeFace(int slot, HBITMAP face, COLORREF transparent);

  int marginX = 3;
  int marginY = 3;
  int pressedShiftX = 1;
  int pressedShiftY = 1;
  BOOL flat = TRUE;
  BOOL hover = FALSE;
  BOOL useParentBackground = FALSE;
  BOOL pressed = FALSE;
  BOOL focused = FALSE;
  BOOL disabled = FALSE;
  BOOL isDefault = FALSE;
  BOOL checkMode = FALSE;
  BOOL radioMode = FALSE;
  BYTE faceAlign = 0;
  BOOL borderVisible = TRUE;
  BOOL focusRectInFlat = FALSE;
  ColorPair stateColors[3];  // 0 hot, 1 idle, 2 focused
  HCURSOR cursor = nullptr;
  HDC backgroundDC = nullptr;  // memory context holding the background copy
  HBITMAP backgroundBitmap = nullptr;
  HGDIOBJ backgroundOldBitmap = nullptr;
  BOOL trackWhenInactive = TRUE;
  BOOL checkState = FALSE;
  Face faces[3];  // 0 hot, 1 idle, 2 disabled
};

}  // namespace controls
