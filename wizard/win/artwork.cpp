#include "wizard/win/artwork.h"

#include <zlib.h>

#include <cstring>

#include "res/resource.h"
#include "platform/ui/app.h"
#include "platform/ui/gdi.h"
#include "wizard/wizard_layout.h"

namespace {

// The faces in the order the sheet holds them, with the button each is for.
struct SheetFace {
  UINT id;
  wizard::Box button;  // at 100 %
};
constexpr wizard::Box kCancelBox = wizard::kPushButtonPlaces[0].box;
constexpr wizard::Box kBackBox = wizard::kPushButtonPlaces[1].box;
constexpr wizard::Box kNextBox = wizard::kPushButtonPlaces[2].box;
constexpr wizard::Box kBrowseBox = wizard::kOtherPlaces[4].box;
static_assert(wizard::kOtherPlaces[4].control == wizard::Control::Browse);
constexpr SheetFace kSheetFaces[] = {
    {IDB_CANCEL_HOT, kCancelBox}, {IDB_BACK_HOT, kBackBox},  {IDB_NEXT_HOT, kNextBox}, {IDB_CANCEL_IDLE, kCancelBox},
    {IDB_BACK_IDLE, kBackBox},    {IDB_NEXT_IDLE, kNextBox}, {IDB_BROWSE, kBrowseBox},
};
// The buttons' transparent colour, and the colour a face shows instead.
constexpr std::uint32_t kTransparent = 0x424242;
constexpr std::uint32_t kNearTransparent = 0x434343;

// The sheet of the drawings at `sheetDpi` (144 or 192), decoded; empty when
// it cannot be read or is too small for the drawings it must hold.
wizard::Pixels DecodeSheet(int sheetDpi) {
  wizard::Pixels sheet;
  HINSTANCE module = ui::AfxGetResourceHandle();
  const UINT id = sheetDpi == 144 ? IDR_ARTWORK_150 : IDR_ARTWORK_200;
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const BYTE* bytes = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
  const DWORD size = found ? ::SizeofResource(module, found) : 0;
  std::uint32_t length = 0;
  if (!bytes || size < 4 || (std::memcpy(&length, bytes, 4), length == 0) || length > (8u << 20)) return sheet;
  std::vector<BYTE> dib(length);
  uLongf got = length;
  if (uncompress(dib.data(), &got, bytes + 4, size - 4) != Z_OK || got != length) return sheet;
  ui::CBitmap bitmap;
  bitmap.Attach(ui::BitmapFromPackedDib(dib.data(), dib.size()));
  const wizard::Box window = wizard::Scaled(wizard::kWindowBox, sheetDpi);
  if (!bitmap.m_hObject || !ui::ReadPixels(bitmap, sheet.width, sheet.height, sheet.data) ||
      sheet.width < window.Width() || sheet.height < window.Height() + wizard::Scaled(kNextBox, sheetDpi).Height())
    sheet.data.clear();
  return sheet;
}

}  // namespace

WizardArtwork::WizardArtwork(int dpi) : dpi_(dpi), artDpi_(wizard::ArtworkDpi(dpi)) {
  // Without the sheet the 100 % drawings are enlarged.
  if (artDpi_ != wizard::kBaseDpi) sheet_ = DecodeSheet(artDpi_);
  if (sheet_.data.empty()) artDpi_ = wizard::kBaseDpi;
}

HBITMAP WizardArtwork::Background() const { return Fitted(IDB_BACKGROUND, wizard::kWindowBox, 0, 0, false); }

HBITMAP WizardArtwork::Face(UINT id) const {
  int x = 0;
  for (const SheetFace& face : kSheetFaces) {
    if (face.id == id) return Fitted(id, face.button, x, wizard::Scaled(wizard::kWindowBox, artDpi_).Height(), true);
    x += wizard::Scaled(face.button, artDpi_).Width();
  }
  return nullptr;
}

HBITMAP WizardArtwork::Fitted(UINT bitmapId, const wizard::Box& box, int sheetX, int sheetY, bool face) const {
  const wizard::Box scaled = wizard::Scaled(box, dpi_);
  wizard::Pixels drawing;
  wizard::PixelArea area{};
  if (sheet_.data.empty()) {
    // The 100 % bitmap resource; at 100 % as it is.
    HBITMAP bitmap = ::LoadBitmapW(ui::AfxGetResourceHandle(), MAKEINTRESOURCEW(bitmapId));
    if (!bitmap || dpi_ == wizard::kBaseDpi) return bitmap;
    const bool read = ui::ReadPixels(bitmap, drawing.width, drawing.height, drawing.data);
    ::DeleteObject(bitmap);
    if (!read) return nullptr;
    area = {drawing.data.data(), drawing.width, drawing.height, drawing.width};
  } else {
    const wizard::Box drawn = wizard::Scaled(box, artDpi_);
    area = {&sheet_.data[std::size_t(sheetY) * std::size_t(sheet_.width) + std::size_t(sheetX)], drawn.Width(),
            drawn.Height(), sheet_.width};
  }
  wizard::Pixels fitted = wizard::Resample(area, scaled.Width(), scaled.Height());
  if (face) {
    // Mixed colours must not become transparent.
    for (std::uint32_t& p : fitted.data) p = p == kTransparent ? kNearTransparent : p;
  }
  return ui::MakeBitmap(fitted.width, fitted.height, fitted.data.data());
}
