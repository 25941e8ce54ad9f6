#include "host_dialog.h"

#include <algorithm>

#include "platform/ui/gdi.h"
#include "test_resources.h"

namespace controls_test {

namespace {
constexpr UINT_PTR kStepTimer = 1;
}

HostDialog::HostDialog() : ui::CDialog(IDD_CONTROLS_HOST) {}

INT_PTR HostDialog::Run(std::vector<Step> steps, UINT tickMs) {
  steps_ = std::move(steps);
  nextStep_ = 0;
  tickMs_ = tickMs;
  return DoModal();
}

void HostDialog::DoDataExchange(ui::CDataExchange* dx) {
  ui::CDialog::DoDataExchange(dx);
  if (!bindButtons) return;
  ui::DDX_Control(dx, IDOK, next);
  ui::DDX_Control(dx, IDC_HOST_BACK, back);
  ui::DDX_Control(dx, IDC_HOST_CHECK, check);
  ui::DDX_Control(dx, IDC_HOST_RADIO, radio);
}

BOOL HostDialog::OnInitDialog() {
  ui::CDialog::OnInitDialog();
  MoveWindow(kHostX, kHostY, kHostWidth, kHostHeight);
  auto place = [this](int id, const RECT& r) {
    ::MoveWindow(GetDlgItem(id), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  };
  place(IDOK, kNextRect);
  place(IDC_HOST_BACK, kBackRect);
  place(IDCANCEL, kCancelRect);
  place(IDC_HOST_CHECK, {20, 20, 20 + 79, 20 + 36});
  place(IDC_HOST_RADIO, {120, 20, 120 + 79, 20 + 36});
  ::SetTimer(m_hWnd, kStepTimer, tickMs_, nullptr);
  if (onInit) onInit(*this);
  return TRUE;
}

void HostDialog::OnPaint() {
  ui::CPaintDC dc(this);
  RECT client;
  GetClientRect(&client);
  HBRUSH brush = ::CreateSolidBrush(kHostColour);
  ::FillRect(dc, &client, brush);
  ::DeleteObject(brush);
}

bool HostDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;  // OnPaint fills everything
      return true;
    case WM_TIMER:
      if (wParam != kStepTimer) break;
      if (nextStep_ < steps_.size()) {
        Step step = steps_[nextStep_++];
        step(*this);
      } else {
        ::KillTimer(m_hWnd, kStepTimer);
        EndDialog(IDOK);
      }
      return true;
    case WM_COMMAND:
      ++commands[ui::CommandKey(wParam)];
      break;
  }
  return ui::CDialog::HandleMessage(message, wParam, lParam, result);
}

RECT HostDialog::DrawAndFind(controls::SkinButton& button, UINT itemState, COLORREF colour) {
  RECT client;
  button.GetClientRect(&client);
  std::vector<POINT> points;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) points.push_back({x, y});
  RECT box = {client.right, client.bottom, 0, 0};
  std::vector<COLORREF> pixels = DrawAndRead(button, itemState, points);
  for (size_t i = 0; i < points.size(); ++i) {
    if (pixels[i] != colour) continue;
    box.left = std::min(box.left, points[i].x);
    box.top = std::min(box.top, points[i].y);
    box.right = std::max(box.right, points[i].x + 1);
    box.bottom = std::max(box.bottom, points[i].y + 1);
  }
  if (box.right <= box.left) return {0, 0, 0, 0};
  return box;
}

std::vector<COLORREF> HostDialog::DrawAndRead(controls::SkinButton& button, UINT itemState,
                                              std::initializer_list<POINT> points) {
  return DrawAndRead(button, itemState, std::vector<POINT>(points));
}

std::vector<COLORREF> HostDialog::DrawAndRead(controls::SkinButton& button, UINT itemState,
                                              const std::vector<POINT>& points) {
  RECT client;
  button.GetClientRect(&client);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));

  DRAWITEMSTRUCT item = {};
  item.CtlType = ODT_BUTTON;
  item.CtlID = UINT(button.GetDlgCtrlID());
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = itemState;
  item.hwndItem = button.m_hWnd;
  item.hDC = memory;
  item.rcItem = client;
  SendMessage(WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));

  std::vector<COLORREF> pixels;
  for (POINT p : points) pixels.push_back(::GetPixel(memory, p.x, p.y));
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return pixels;
}

POINT HostDialog::ScreenCentre(const RECT& client) {
  return {kHostX + (client.left + client.right) / 2, kHostY + (client.top + client.bottom) / 2};
}

HBITMAP SolidFace(int width, int height, COLORREF colour, const RECT* spot, COLORREF spotColour) {
  HDC screen = ::GetDC(nullptr);
  HBITMAP face = ::CreateCompatibleBitmap(screen, width, height);
  HDC memory = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(memory, face);
  RECT all = {0, 0, width, height};
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(memory, &all, brush);
  ::DeleteObject(brush);
  if (spot) {
    brush = ::CreateSolidBrush(spotColour);
    ::FillRect(memory, spot, brush);
    ::DeleteObject(brush);
  }
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  return face;
}

void MovePointer(POINT screen) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  int width = ::GetSystemMetrics(SM_CXSCREEN);
  int height = ::GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = LONG((screen.x * 65535LL + (width - 1) / 2) / (width - 1));
  input.mi.dy = LONG((screen.y * 65535LL + (height - 1) / 2) / (height - 1));
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &input, sizeof(input));
}

void PressLeft(bool down) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  ::SendInput(1, &input, sizeof(input));
}

}  // namespace controls_test
