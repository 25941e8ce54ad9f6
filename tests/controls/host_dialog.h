// A test host: a caption-less dialog at a fixed place of the screen with
// skinned buttons bound to its controls. A test gives it a list of steps;
// the dialog runs one step per timer tick inside its own modal loop (so that
// posted and real input between the steps goes through that loop) and ends
// after the last one.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "controls/skin_button.h"
#include "platform/ui/dialog.h"

namespace controls_test {

// Where the host sits on the screen and where its buttons are (client
// coordinates; the host has no border, so client = window).
constexpr int kHostX = 100, kHostY = 100, kHostWidth = 480, kHostHeight = 240;
constexpr RECT kNextRect = {360, 180, 360 + 79, 180 + 36};
constexpr RECT kBackRect = {260, 180, 260 + 79, 180 + 36};
constexpr RECT kCancelRect = {160, 180, 160 + 79, 180 + 36};
constexpr COLORREF kHostColour = RGB(10, 120, 200);

class HostDialog : public ui::CDialog {
 public:
  using Step = std::function<void(HostDialog&)>;

  HostDialog();

  // Runs the steps, one per tick of `tickMs`; returns DoModal's result.
  INT_PTR Run(std::vector<Step> steps, UINT tickMs = 120);

  controls::SkinButton next;   // IDOK, default push button
  controls::SkinButton back;   // 1011
  controls::SkinButton check;  // 1020, automatic check box
  controls::SkinButton radio;  // 1021, automatic radio button
  bool bindButtons = true;     // bind the four buttons in DoDataExchange
  Step onInit;                 // runs at the end of OnInitDialog

  // WM_COMMAND notifications the dialog received, by ui::Command(id, code).
  std::map<DWORD, int> commands;
  int okCount = 0;
  int cancelCount = 0;

  // Draws `button` into a white memory bitmap of its size through the
  // dialog's WM_DRAWITEM (so reflection is part of the path) and returns
  // the pixel at (x, y) of each requested point.
  std::vector<COLORREF> DrawAndRead(controls::SkinButton& button, UINT itemState, std::initializer_list<POINT> points);
  std::vector<COLORREF> DrawAndRead(controls::SkinButton& button, UINT itemState, const std::vector<POINT>& points);

  // Bounding box of the pixels of `colour` in the button drawn as above
  // (empty when there are none).
  RECT DrawAndFind(controls::SkinButton& button, UINT itemState, COLORREF colour);

  // Screen point at the centre of a client rectangle.
  static POINT ScreenCentre(const RECT& client);

 protected:
  void DoDataExchange(ui::CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override { ++okCount; }
  void OnCancel() override { ++cancelCount; }
  void OnPaint() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  std::vector<Step> steps_;
  size_t nextStep_ = 0;
  UINT tickMs_ = 120;
};

// A face bitmap (screen-compatible) of one colour, with an optional
// rectangle of a second colour.
HBITMAP SolidFace(int width, int height, COLORREF colour, const RECT* spot = nullptr, COLORREF spotColour = 0);

// Absolute pointer move / button through SendInput (real input messages).
void MovePointer(POINT screen);
void PressLeft(bool down);

}  // namespace controls_test
