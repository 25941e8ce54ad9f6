// Where everything of the wizard lies at 100 %: the window, the controls'
// rectangles (client coordinates), the painted texts with their font sizes,
// the package picture, the band repainted while the path is typed, and the
// size of the buttons' cursor. At another scale each is carried over with
// the rule of display_scale.h.
#pragma once

#include "wizard/display_scale.h"
#include "wizard/page_model.h"

namespace wizard {

// The window, 600 x 360, borders included.
inline constexpr Box kWindowBox = Place(0, 0, 600, 360);

struct ControlPlace {
  Control control;
  Box box;
};
// The three push buttons, left to right; their faces are exactly their size.
inline constexpr ControlPlace kPushButtonPlaces[] = {
    {Control::Cancel, Place(317, 282, 79, 36)},
    {Control::Back, Place(408, 282, 79, 36)},
    {Control::Next, Place(499, 282, 79, 36)},
};
// Every other control, in the order the wizard moves them.
inline constexpr ControlPlace kOtherPlaces[] = {
    {Control::LanguageLabel, Place(300, 185, 90, 20)}, {Control::Language, Place(390, 180, 178, 20)},
    {Control::FolderLabel, Place(120, 182, 95, 20)},   {Control::InstallFolder, Place(120, 210, 380, 22)},
    {Control::Browse, Place(520, 206, 52, 28)},        {Control::AgreementLabel, Place(120, 140, 80, 22)},
    {Control::Agreement, Place(20, 160, 560, 84)},     {Control::Agree, Place(440, 248, 140, 22)},
    {Control::Progress, Place(40, 160, 520, 40)},
};

// A painted text: left, top and bottom at 100 %, its right edge a margin in
// from the client area's right edge, and its font size in tenths of a point.
struct TextPlace {
  int left, top, rightMargin, bottom;
  int pointSize10;
};
inline constexpr TextPlace kTitlePlace{15, 20, 15, 100, 195};
inline constexpr TextPlace kGuidePlace{120, 90, 20, 180, 120};
inline constexpr TextPlace kNoticePlace{20, 235, 20, 270, 85};
// The text's rectangle in a client area `clientRight` pixels wide at `dpi`.
Box TextBox(const TextPlace& place, int clientRight, int dpi);

// The package picture's top-left corner; it is drawn at its natural size.
inline constexpr int kPictureX = 30;
inline constexpr int kPictureY = 90;
// The band around the path field, repainted while the user types.
inline constexpr Box kPathBand{100, 200, 500, 240};
// The buttons' hand cursor is 32 x 32 pixels at 100 %.
inline constexpr int kCursorSize = 32;

}  // namespace wizard
