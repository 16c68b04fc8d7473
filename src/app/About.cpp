#include "app/About.h"

#include "app/resource.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/ModalLoop.h"
#include "framework/WindowProcedure.h"

namespace tarvo {

TAboutBox* AboutBox = nullptr;

namespace {

struct TPlacement {
  int id;
  int left, top, width, height;
};

// Pixel layout of the dialog; the icon and the labels sit inside the panel at
// 8, 8, so their places are given relative to it.
constexpr int kPanelLeft = 8, kPanelTop = 8;
constexpr TPlacement kPanel = {IDC_ABOUT_PANEL, kPanelLeft, kPanelTop, 281, 161};
constexpr TPlacement kInPanel[] = {
    {IDC_ABOUT_ICON, 8, 8, 32, 32},       {IDC_ABOUT_PRODUCT, 88, 16, 185, 18},
    {IDC_ABOUT_VERSION, 88, 40, 185, 14}, {IDC_ABOUT_MAKER, 8, 80, 265, 14},
    {IDC_ABOUT_COMMENTS, 8, 104, 265, 50},
};
constexpr TPlacement kOk = {IDOK, 111, 180, 75, 25};
constexpr int kClientWidth = 298, kClientHeight = 213;

void Place(HWND dialog, const TPlacement& p, int dx, int dy) {
  HWND control = GetDlgItem(dialog, p.id);
  if (control)
    SetWindowPos(control, nullptr, p.left + dx, p.top + dy, p.width, p.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TAboutBox::TAboutBox(HWND owner) {
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner,
                                   DialogProcedure<TAboutBox>, reinterpret_cast<LPARAM>(this));
  if (!dialog) throw EError("Cannot create the About dialog");
  dialog_.reset(dialog);
}

void TAboutBox::Layout(HWND dialog) {
  SetClientSize(dialog, kClientWidth, kClientHeight);
  Place(dialog, kPanel, 0, 0);
  for (const auto& p : kInPanel) Place(dialog, p, kPanelLeft, kPanelTop);
  Place(dialog, kOk, 0, 0);

  icon_.reset(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TARVO),
                                            IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  if (icon_)
    SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()),
                        0);
  productFont_ = CreateFormFont(-13, FW_BOLD, true);
  SendDlgItemMessageA(dialog, IDC_ABOUT_PRODUCT, WM_SETFONT,
                      reinterpret_cast<WPARAM>(productFont_.get()), FALSE);
  CenterOnScreen(dialog);
}

void TAboutBox::Finish(int result) {
  if (done_) return;
  result_ = result;
  done_ = true;
}

int TAboutBox::ShowModal() {
  done_ = false;
  result_ = IDCANCEL;
  CenterOnScreen(dialog_.get());
  SetFocus(GetDlgItem(dialog_.get(), IDOK));
  TModalLoop loop(dialog_.get());
  if (!loop.Run(done_)) return IDCANCEL;
  return result_;
}

INT_PTR TAboutBox::HandleMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      Layout(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        Finish(LOWORD(wParam));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      Finish(IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace tarvo
