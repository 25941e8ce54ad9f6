// The wizard's artwork at a display scale: the background and the button
// faces are drawn at 100, 150 and 200 % (res/make-artwork.sh). For a scale
// the nearest drawing that is not smaller than needed is taken and fitted to
// the exact size with the smooth filter of wizard/resample.h, so that at
// 100, 150 and 200 % the pictures are the drawings themselves.
//
// The 100 % drawings are the bitmap resources of the faces and the
// background. Those at 150 and 200 % are one sheet each (RCDATA 150 and
// 200): the 4-byte length of a packed 8-bit DIB, then that DIB as a zlib
// stream. A sheet holds the background at the window's scaled size, and
// below it, from the left, the faces in the order of kSheetFaces, each at
// its button's scaled size.
#pragma once

#include <windows.h>

#include "wizard/display_scale.h"
#include "wizard/resample.h"

class WizardArtwork {
 public:
  // The drawings for `dpi`.
  explicit WizardArtwork(int dpi);

  // The background at the window's size at this scale, or null. The caller
  // owns the bitmap.
  HBITMAP Background() const;
  // Face bitmap `id` (IDB_CANCEL_HOT .. IDB_BROWSE) at its button's size at
  // this scale, or null. It holds no pixel of the buttons' transparent
  // colour. The caller owns the bitmap.
  HBITMAP Face(UINT id) const;

 private:
  // The drawing of `box` (a 100 % rectangle) fitted to its size at this
  // scale: bitmap `bitmapId` of the 100 % drawings, or the sheet's pixels
  // from (sheetX, sheetY) at the sheet's scale.
  HBITMAP Fitted(UINT bitmapId, const wizard::Box& box, int sheetX, int sheetY, bool face) const;

  int dpi_;
  int artDpi_;
  // The sheet of the drawings at artDpi_, decoded (empty for 100 %).
  wizard::Pixels sheet_;
};
