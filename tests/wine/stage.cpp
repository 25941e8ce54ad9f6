// The skinned button and the picture object in configurations the wizard
// never uses, for controls_test.py: a 400 x 260 dialog painted with the
// pattern RGB(x % 256, y % 256, 128), six SkinButtons at kButtons (101 hot,
// idle and disabled faces and the hand cursor; 102 the same, disabled; 103
// no disabled face, disabled; 104 no faces; 105 the grey idle face (-2); 106
// the hand cursor, then SetHoverCursor(0)) and two pictures: bytes that are
// no picture at (20, 180), a 40 x 40 red picture replaced by a 16 x 16 blue
// one at (120, 180). A face is a yellow frame around a fill (hot red, idle
// green, disabled blue) with a 4 x 4 block of the transparent colour at (20, 10).
#include <windows.h>

#include <cstdint>
#include <vector>

#include "controls/gdip_image.h"
#include "controls/imaging.h"
#include "controls/skin_button.h"
#include "platform/ui/app.h"
#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"

namespace {

constexpr int kWidth = 400, kHeight = 260;
constexpr int kFaceWidth = 60, kFaceHeight = 30;
constexpr COLORREF kTransparent = RGB(66, 66, 66);
constexpr std::uint32_t kYellow = 0xF0E010, kRed = 0xC81E1E, kGreen = 0x1EA03C, kBlue = 0x2846C8;
constexpr int kCursor = 149;
struct ButtonPlace {
  int id, x, y;
};
constexpr ButtonPlace kButtons[] = {{101, 20, 20}, {102, 120, 20}, {103, 220, 20},
                                    {104, 20, 90}, {105, 120, 90}, {106, 220, 90}};

HBITMAP Face(std::uint32_t fill, std::uint32_t hole = 0x424242) {
  std::vector<std::uint32_t> pixels(kFaceWidth * kFaceHeight);
  for (int y = 0; y < kFaceHeight; ++y)
    for (int x = 0; x < kFaceWidth; ++x) {
      const bool frame = x == 0 || y == 0 || x == kFaceWidth - 1 || y == kFaceHeight - 1;
      const bool inHole = x >= 20 && x < 24 && y >= 10 && y < 14;
      pixels[y * kFaceWidth + x] = frame ? kYellow : inHole ? hole : fill;
    }
  return ui::MakeBitmap(kFaceWidth, kFaceHeight, pixels.data());
}

// A 32-bit bitmap file of size x size pixels of one colour, as picture bytes.
std::vector<BYTE> PictureFile(int size, std::uint32_t colour) {
  std::vector<BYTE> file(54);
  BITMAPFILEHEADER head = {0x4D42, DWORD(54 + size * size * 4), 0, 0, 54};
  BITMAPINFOHEADER info = {40, size, size, 1, 32, BI_RGB, DWORD(size * size * 4), 0, 0, 0, 0};
  memcpy(&file[0], &head, 14);
  memcpy(&file[14], &info, 40);
  for (int i = 0; i < size * size; ++i)
    file.insert(file.end(), {BYTE(colour), BYTE(colour >> 8), BYTE(colour >> 16), 0});
  return file;
}

class StageDlg : public ui::CDialog {
 public:
  StageDlg() : ui::CDialog(1) {}

 protected:
  void DoDataExchange(ui::CDataExchange* dx) override {
    for (int i = 0; i < 6; ++i) ui::DDX_Control(dx, kButtons[i].id, buttons_[i]);
  }

  BOOL OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    MoveWindow(100, 100, kWidth + 2, kHeight + 2);
    for (const ButtonPlace& b : kButtons) ::MoveWindow(GetDlgItem(b.id), b.x, b.y, kFaceWidth, kFaceHeight, TRUE);
    controls::SkinButton &full = buttons_[0], &disabled = buttons_[1], &noDisabledFace = buttons_[2],
                         &none = buttons_[3], &grey = buttons_[4], &noCursor = buttons_[5];
    for (controls::SkinButton* b : {&full, &disabled})
      b->SetFaceBitmaps(Face(kRed), kTransparent, Face(kGreen), kTransparent, Face(kBlue), kTransparent);
    noDisabledFace.SetFaceBitmaps(Face(kRed), kTransparent, Face(kGreen), kTransparent, nullptr, 0);
    none.SetFaceBitmaps(nullptr, 0, nullptr, 0, nullptr, 0);
    // Magenta as transparent colour: its grey would be another colour.
    grey.SetFaceBitmaps(Face(kRed, 0xFF00FF), RGB(255, 0, 255), controls::SkinButton::kGrayIdleFace, 0, nullptr, 0);
    for (controls::SkinButton& b : buttons_) {
      b.UseParentBackground(TRUE);
      b.SetFocusRectInFlat(FALSE, TRUE);
      b.SetBorderVisible(FALSE, TRUE);
    }
    full.SetHoverCursor(kCursor, TRUE);
    noCursor.SetHoverCursor(kCursor, TRUE);
    noCursor.SetHoverCursor(0, TRUE);
    disabled.EnableWindow(FALSE);
    noDisabledFace.EnableWindow(FALSE);

    const BYTE noPicture[] = "these bytes are no picture at all";
    notAPicture_.LoadFromBytes(noPicture, sizeof(noPicture));
    const std::vector<BYTE> first = PictureFile(40, kRed), second = PictureFile(16, kBlue);
    loadedTwice_.LoadFromBytes(first.data(), int(first.size()));
    loadedTwice_.LoadFromBytes(second.data(), int(second.size()));
    return TRUE;
  }

  void OnPaint() override {
    ui::CPaintDC dc(this);
    std::vector<std::uint32_t> pattern(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) pattern[y * kWidth + x] = std::uint32_t((x % 256) << 16 | (y % 256) << 8 | 128);
    ui::CBitmap background;
    background.Attach(ui::MakeBitmap(kWidth, kHeight, pattern.data()));
    ui::CMemoryDC memory(dc);
    ui::CSelectObject selected(memory, background);
    ::BitBlt(dc, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
    notAPicture_.DrawAt(dc, 20, 180);
    loadedTwice_.DrawAt(dc, 120, 180);
  }

  // Esc, Enter and the clicks of the tests change nothing; the driver closes the stage.
  void OnOK() override {}

 private:
  controls::SkinButton buttons_[6];
  controls::GdipImage notAPicture_;
  controls::GdipImage loadedTwice_;
};

class StageApp : public ui::CWinApp {
 public:
  BOOL InitInstance() override {
    controls::ImagingStartup();
    {
      StageDlg stage;
      stage.DoModal();
    }
    return FALSE;
  }
  int ExitInstance() override {
    controls::ImagingShutdown();
    return 0;
  }
};

StageApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) { return ui::AfxWinMain(instance, show); }
