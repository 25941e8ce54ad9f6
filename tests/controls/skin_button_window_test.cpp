// SkinButton bound to a real dialog under the window system: face selection
// on pixels, background copy, clicks, hover through real mouse input.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host_dialog.h"
#include "test_resources.h"

using controls::SkinButton;
using controls_test::HostDialog;
using controls_test::kHostColour;
using controls_test::SolidFace;

namespace {

constexpr COLORREF kTransparent = RGB(66, 66, 66);
constexpr COLORREF kHot = RGB(230, 40, 40);
constexpr COLORREF kIdle = RGB(40, 170, 60);
constexpr COLORREF kDisabled = RGB(90, 90, 200);
constexpr int kWidth = 79, kHeight = 36;
// A transparent square in every face, to see what lies behind the face.
constexpr RECT kHole = {20, 10, 30, 20};

// Hot, idle and (optionally) disabled faces with the transparent hole.
int GiveFaces(SkinButton& button, bool withDisabled) {
  return button.SetFaceBitmaps(SolidFace(kWidth, kHeight, kHot, &kHole, kTransparent), kTransparent,
                               SolidFace(kWidth, kHeight, kIdle, &kHole, kTransparent), kTransparent,
                               withDisabled ? SolidFace(kWidth, kHeight, kDisabled) : nullptr, kTransparent);
}

}  // namespace

TEST(SkinButtonWindow, BindingMakesTheControlOwnerDrawnAndReadsItsKind) {
  HostDialog host;
  host.Run({[](HostDialog& h) {
    for (HWND control : {h.next.m_hWnd, h.back.m_hWnd, h.check.m_hWnd, h.radio.m_hWnd})
      EXPECT_EQ(::GetWindowLongW(control, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    EXPECT_TRUE(h.next.IsDefault()) << "DEFPUSHBUTTON in the template";
    EXPECT_FALSE(h.back.IsDefault());
    // The dialog manager moves the default state around with BM_SETSTYLE;
    // the control stays owner-drawn.
    h.back.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(h.back.IsDefault());
    EXPECT_EQ(::GetWindowLongW(h.back.m_hWnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    EXPECT_EQ(h.back.SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
    h.back.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(h.back.IsDefault());
    EXPECT_EQ(h.back.SendMessage(WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
    // The reflected control colour is the hollow brush.
    HDC dc = ::GetDC(h.m_hWnd);
    EXPECT_EQ(h.SendMessage(WM_CTLCOLORBTN, WPARAM(dc), LPARAM(h.next.m_hWnd)), LRESULT(::GetStockObject(NULL_BRUSH)));
    ::ReleaseDC(h.m_hWnd, dc);
  }});
  EXPECT_EQ(host.next.m_hWnd, nullptr) << "the binding ends with the window";
}

TEST(SkinButtonWindow, FaceSelectionIdleHotPressedDisabled) {
  HostDialog host;
  host.onInit = [](HostDialog& h) {
    EXPECT_EQ(GiveFaces(h.next, true), 0);
    EXPECT_EQ(GiveFaces(h.back, false), 0);
    h.next.SetBorderVisible(FALSE, TRUE);
    h.back.SetBorderVisible(FALSE, TRUE);
  };
  host.Run({[](HostDialog& h) {
    COLORREF face = ::GetSysColor(COLOR_BTNFACE);  // the colour fill behind the face
    // Idle: the idle face at (0, 0), the fill through its hole.
    auto idle = h.DrawAndRead(h.next, 0, {{0, 0}, {78, 35}, {25, 15}});
    EXPECT_EQ(idle[0], kIdle);
    EXPECT_EQ(idle[1], kIdle);
    EXPECT_EQ(idle[2], face);
    // Pressed: the hot face one pixel right and down; the top row and
    // left column show the background.
    auto pressed = h.DrawAndRead(h.next, ODS_SELECTED, {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {78, 35}, {30, 20}, {20, 10}});
    EXPECT_EQ(pressed[0], face);
    EXPECT_EQ(pressed[1], face);
    EXPECT_EQ(pressed[2], face);
    EXPECT_EQ(pressed[3], kHot);
    EXPECT_EQ(pressed[4], kHot);
    EXPECT_EQ(pressed[5], face) << "the hole moved with the face";
    EXPECT_EQ(pressed[6], kHot) << "the hole's old top-left corner is face now";
    // Disabled: its own face when it has one, else the hot face.
    EXPECT_EQ(h.DrawAndRead(h.next, ODS_DISABLED, {{0, 0}})[0], kDisabled);
    EXPECT_EQ(h.DrawAndRead(h.back, ODS_DISABLED, {{0, 0}})[0], kHot);
    // The focus changes nothing visible in the flat look.
    EXPECT_EQ(h.DrawAndRead(h.back, ODS_FOCUS, {{3, 3}, {0, 0}})[0], kIdle);
    // Pressed shift style 1: (0, 2).
    EXPECT_EQ(h.back.SetPressedShift(1, FALSE), 0);
    auto shifted = h.DrawAndRead(h.back, ODS_SELECTED, {{0, 1}, {0, 2}});
    EXPECT_EQ(shifted[0], face);
    EXPECT_EQ(shifted[1], kHot);
  }});
}

TEST(SkinButtonWindow, ParentBackgroundIsCopiedOnceAndShowsThroughTransparentPixels) {
  HostDialog host;
  host.onInit = [](HostDialog& h) {
    GiveFaces(h.next, false);
    h.next.UseParentBackground(TRUE);
    h.next.SetFocusRectInFlat(FALSE, TRUE);
    h.next.SetBorderVisible(FALSE, TRUE);
  };
  host.Run({[](HostDialog& h) {
    auto pixels = h.DrawAndRead(h.next, ODS_SELECTED, {{0, 0}, {20, 10}, {30, 20}, {40, 30}});
    EXPECT_EQ(pixels[0], kHostColour) << "top-left shows the parent's background";
    EXPECT_EQ(pixels[1], kHot);
    EXPECT_EQ(pixels[2], kHostColour) << "transparent hole";
    EXPECT_EQ(pixels[3], kHot);
    // Paint the parent differently: the copy is not taken again...
    HDC dc = ::GetDC(h.m_hWnd);
    RECT all = {0, 0, controls_test::kHostWidth, controls_test::kHostHeight};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::ReleaseDC(h.m_hWnd, dc);
    EXPECT_EQ(h.DrawAndRead(h.next, ODS_SELECTED, {{0, 0}})[0], kHostColour);
    // ...until the system colours change, which Windows tells the dialog.
    h.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(h.DrawAndRead(h.next, ODS_SELECTED, {{0, 0}})[0], RGB(0, 0, 0));
  }});
}

TEST(SkinButtonWindow, CaptionIsCentredAndMovesWithThePress) {
  HostDialog host;
  host.Run({[](HostDialog& h) {
    // No faces: a caption alone, in the text colour of the state colours.
    h.back.SetBorderVisible(FALSE, FALSE);
    h.back.SetWindowText(L"IIII");
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    RECT idle = h.DrawAndFind(h.back, 0, text);
    ASSERT_LT(idle.left, idle.right) << "the caption was drawn";
    // Centred: the same room on both sides, give or take the glyphs' bearings.
    EXPECT_LE(std::abs(idle.left - (kWidth - idle.right)), 3);
    EXPECT_LE(std::abs(idle.top - (kHeight - idle.bottom)), 4);
    RECT pressed = h.DrawAndFind(h.back, ODS_SELECTED, text);
    EXPECT_EQ(pressed.left, idle.left + 1);
    EXPECT_EQ(pressed.top, idle.top + 1);
    // Disabled: an embossed caption, nothing in the text colour.
    RECT disabled = h.DrawAndFind(h.back, ODS_DISABLED, ::GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(disabled.left, idle.left);
    EXPECT_EQ(disabled.top, idle.top);
  }});
}

TEST(SkinButtonWindow, FailedOrEmptyFacesDrawNoFace) {
  HostDialog host;
  host.Run({[](HostDialog& h) {
    COLORREF fill = ::GetSysColor(COLOR_BTNFACE);
    h.next.SetBorderVisible(FALSE, FALSE);
    ASSERT_EQ(GiveFaces(h.next, false), 0);
    EXPECT_EQ(h.DrawAndRead(h.next, 0, {{0, 0}})[0], kIdle);
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(h.next.SetFaceBitmaps(SolidFace(kWidth, kHeight, kHot), kTransparent, reinterpret_cast<HBITMAP>(brush),
                                    kTransparent, nullptr, 0),
              1);
    auto failed = h.DrawAndRead(h.next, 0, {{0, 0}, {40, 20}});
    EXPECT_EQ(failed[0], fill);
    EXPECT_EQ(failed[1], fill);
    auto failedPressed = h.DrawAndRead(h.next, ODS_SELECTED, {{40, 20}});
    EXPECT_EQ(failedPressed[0], fill);
    // A NULL hot face: no faces either.
    ASSERT_EQ(GiveFaces(h.next, false), 0);
    EXPECT_EQ(h.next.SetFaceBitmaps(nullptr, 0, SolidFace(kWidth, kHeight, kIdle), kTransparent, nullptr, 0), 0);
    EXPECT_EQ(h.DrawAndRead(h.next, 0, {{40, 20}})[0], fill);
  }});
}

TEST(SkinButtonWindow, GeneratedGreyIdleFaceKeepsTheHoleTransparent) {
  HostDialog host;
  host.Run({[](HostDialog& h) {
    h.next.SetBorderVisible(FALSE, FALSE);
    ASSERT_EQ(h.next.SetFaceBitmaps(SolidFace(kWidth, kHeight, RGB(200, 100, 8), &kHole, kTransparent), kTransparent,
                                    SkinButton::kGrayIdleFace, 0, nullptr, 0),
              0);
    auto idle = h.DrawAndRead(h.next, 0, {{0, 0}, {25, 15}});
    EXPECT_EQ(idle[0], RGB(119, 119, 119));
    EXPECT_EQ(idle[1], ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(h.DrawAndRead(h.next, ODS_SELECTED, {{1, 1}})[0], RGB(200, 100, 8));
    ASSERT_EQ(h.next.SetFaceBitmaps(SolidFace(kWidth, kHeight, RGB(200, 100, 8)), kTransparent,
                                    SkinButton::kDarkerIdleFace, 0, nullptr, 0),
              0);
    EXPECT_EQ(h.DrawAndRead(h.next, 0, {{0, 0}})[0], RGB(150, 75, 6));
  }});
}

TEST(SkinButtonWindow, ClickIsNotConsumedAndADoubleClickGivesTwoClicks) {
  HostDialog host;
  const DWORD nextClicked = ui::Command(IDOK, BN_CLICKED);
  const DWORD backClicked = ui::Command(IDC_HOST_BACK, BN_CLICKED);
  auto postClick = [](HWND button, bool doubleClick) {
    const LPARAM at = MAKELPARAM(10, 10);
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(button, WM_LBUTTONUP, 0, at);
    if (doubleClick) {
      ::PostMessageW(button, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
      ::PostMessageW(button, WM_LBUTTONUP, 0, at);
    }
  };
  host.Run({
      [&](HostDialog& h) { postClick(h.back.m_hWnd, false); },
      [&](HostDialog& h) {
        EXPECT_EQ(h.commands[backClicked], 1);
        EXPECT_EQ(::GetFocus(), h.back.m_hWnd) << "a click gives the button the focus";
        postClick(h.next.m_hWnd, true);
      },
      [&](HostDialog& h) {
        EXPECT_EQ(h.commands[nextClicked], 2);
        EXPECT_EQ(h.okCount, 2) << "IDOK reached OnOK once per click";
      },
  });
}

TEST(SkinButtonWindow, CheckBoxAndRadioStylesKeepACheckState) {
  HostDialog host;
  auto click = [](HWND button) {
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  };
  host.Run({
      [&](HostDialog& h) {
        EXPECT_FALSE(h.check.GetCheckState());
        click(h.check.m_hWnd);
        click(h.radio.m_hWnd);
      },
      [&](HostDialog& h) {
        EXPECT_TRUE(h.check.GetCheckState());
        EXPECT_EQ(h.check.SendMessage(BM_GETCHECK), 1);
        EXPECT_TRUE(h.radio.GetCheckState());
        click(h.check.m_hWnd);
        click(h.radio.m_hWnd);
      },
      [&](HostDialog& h) {
        EXPECT_FALSE(h.check.GetCheckState()) << "a check box inverts";
        EXPECT_TRUE(h.radio.GetCheckState()) << "a radio button stays set";
        h.check.SendMessage(BM_SETCHECK, BST_INDETERMINATE);
        EXPECT_TRUE(h.check.GetCheckState());
        h.check.SendMessage(BM_SETCHECK, BST_UNCHECKED);
        EXPECT_FALSE(h.check.GetCheckState());
        // Checked: drawn with the hot face, not shifted.
        h.check.SetBorderVisible(FALSE, FALSE);
        ASSERT_EQ(GiveFaces(h.check, false), 0);
        EXPECT_EQ(h.DrawAndRead(h.check, 0, {{0, 0}})[0], kIdle);
        h.check.SetCheckState(1, FALSE);
        EXPECT_EQ(h.DrawAndRead(h.check, 0, {{0, 0}})[0], kHot);
      },
  });
}

TEST(SkinButtonWindow, HoverFollowsTheRealPointer) {
  HostDialog host;
  host.onInit = [](HostDialog& h) {
    GiveFaces(h.next, false);
    h.next.SetBorderVisible(FALSE, FALSE);
    EXPECT_EQ(h.next.SetHoverCursor(149, FALSE), 0);
  };
  const POINT onNext = HostDialog::ScreenCentre(controls_test::kNextRect);
  const POINT onBackground = {controls_test::kHostX + 30, controls_test::kHostY + 150};
  const POINT outside = {controls_test::kHostX + controls_test::kHostWidth + 100, controls_test::kHostY + 10};
  host.Run({
               [&](HostDialog&) { controls_test::MovePointer(outside); },
               [&](HostDialog& h) {
                 EXPECT_FALSE(h.next.IsHover());
                 controls_test::MovePointer(onNext);
               },
               [&](HostDialog& h) {
                 EXPECT_TRUE(h.next.IsHover()) << "pointer over the button";
                 EXPECT_EQ(h.DrawAndRead(h.next, 0, {{0, 0}})[0], kHot);
                 // Its own cursor while over it.
                 EXPECT_EQ(h.next.SendMessage(WM_SETCURSOR, WPARAM(h.next.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
                           TRUE);
                 controls_test::MovePointer(onBackground);
               },
               [&](HostDialog& h) {
                 EXPECT_FALSE(h.next.IsHover()) << "pointer left the button";
                 EXPECT_EQ(h.DrawAndRead(h.next, 0, {{0, 0}})[0], kIdle);
                 controls_test::MovePointer(onNext);
               },
               [&](HostDialog& h) {
                 EXPECT_TRUE(h.next.IsHover());
                 controls_test::MovePointer(outside);
               },
               [&](HostDialog& h) {
                 EXPECT_FALSE(h.next.IsHover()) << "pointer left the dialog";
                 // A drag that began elsewhere does not light the button.
                 controls_test::MovePointer(onBackground);
                 controls_test::PressLeft(true);
               },
               [&](HostDialog&) { controls_test::MovePointer(onNext); },
               [&](HostDialog& h) {
                 EXPECT_FALSE(h.next.IsHover()) << "left button held down on arrival";
                 controls_test::PressLeft(false);
               },
               [&](HostDialog&) {
                 controls_test::MovePointer({onNext.x + 2, onNext.y + 1});
               },
               [&](HostDialog& h) {
                 EXPECT_TRUE(h.next.IsHover()) << "the next move after the release lights it";
                 // A leave notification ends the hover as well.
                 h.next.SendMessage(WM_MOUSELEAVE);
                 EXPECT_FALSE(h.next.IsHover());
                 controls_test::MovePointer({onNext.x - 2, onNext.y});
               },
               [&](HostDialog& h) {
                 EXPECT_TRUE(h.next.IsHover());
                 // Disabling ends the hover and hands the focus on.
                 h.next.SetFocus();
                 h.next.EnableWindow(FALSE);
                 EXPECT_FALSE(h.next.IsHover());
                 EXPECT_NE(::GetFocus(), h.next.m_hWnd);
                 h.next.EnableWindow(TRUE);
                 controls_test::MovePointer(outside);
               },
           },
           500);  // the system checks for the pointer's leaving with the hover time
}
