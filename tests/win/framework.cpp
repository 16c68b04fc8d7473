// The framework's windows on Wine's real window manager: a modal loop takes
// every other window of the thread out of input, however many there are; the
// main window and the dialogs come up centred on the work area; the status
// bar is as high as its font makes it and the memo fills the rest.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/Main.h"
#include "framework/Application.h"
#include "framework/ModalLoop.h"
#include "platform/UniqueResource.h"

namespace tarvo {
namespace {

class Framework : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Application.Initialize(GetModuleHandleA(nullptr));
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }
};

TEST_F(Framework, ModalLoopDisablesEveryOtherWindowOfTheThreadHoweverMany) {
  std::vector<TUniqueWindow> windows;
  for (int i = 0; i < 150; ++i) {
    windows.emplace_back(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                         GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(windows.back()) << i;
  }
  // One already disabled stays so afterwards.
  EnableWindow(windows[7].get(), FALSE);
  HWND dialog = windows[0].get();
  {
    TThreadWindowsDisabled disabled(dialog);
    EXPECT_TRUE(IsWindowEnabled(dialog));
    int live = 0;
    for (size_t i = 1; i < windows.size(); ++i) live += IsWindowEnabled(windows[i].get()) ? 1 : 0;
    EXPECT_EQ(live, 0);
    EXPECT_FALSE(IsWindowEnabled(Application.Handle()));
  }
  for (size_t i = 1; i < windows.size(); ++i)
    EXPECT_EQ(IsWindowEnabled(windows[i].get()) != FALSE, i != 7) << i;
  EXPECT_TRUE(IsWindowEnabled(Application.Handle()));
}

// A work area that is not the screen: a band at the right with a taskbar-like
// strip kept free at its top.
class TWorkArea {
public:
  TWorkArea() {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &saved_, 0);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    area_ = RECT{width / 4, 60, width, height};
    set_ = SystemParametersInfoA(SPI_SETWORKAREA, 0, &area_, 0) != FALSE;
    RECT now = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &now, 0);
    set_ = set_ && EqualRect(&now, &area_);
  }
  ~TWorkArea() { SystemParametersInfoA(SPI_SETWORKAREA, 0, &saved_, 0); }
  bool Set() const { return set_; }
  // Where a window of this outer size sits when centred on the area.
  POINT Centred(const RECT& window) const {
    const int w = window.right - window.left, h = window.bottom - window.top;
    return POINT{area_.left + (area_.right - area_.left - w) / 2,
                 area_.top + (area_.bottom - area_.top - h) / 2};
  }

private:
  RECT saved_ = {};
  RECT area_ = {};
  bool set_ = false;
};

RECT ChildRect(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(Framework, WindowsAreCentredOnTheWorkAreaStatusBarFollowsItsFont) {
  TWorkArea area;
  ASSERT_TRUE(area.Set()) << "Wine kept its own work area";
  TfrmMain form;
  form.Show();
  // The first activation posts the start of the first run; it is no concern here.
  MSG pending;
  while (PeekMessageA(&pending, form.Handle(), WM_APP + 1, WM_APP + 1, PM_REMOVE)) {
  }
  RECT window;
  GetWindowRect(form.Handle(), &window);
  const POINT expected = area.Centred(window);
  EXPECT_EQ(window.left, expected.x);
  EXPECT_EQ(window.top, expected.y);

  // The bar's height is what the bar computes for the font it was given;
  // the memo reaches exactly down to it.
  HWND bar = form.StatusBar();
  RECT client, barRect = ChildRect(form.Handle(), bar),
               memo = ChildRect(form.Handle(), form.mmoStatus());
  GetClientRect(form.Handle(), &client);
  TEXTMETRICA metrics = {};
  {
    HDC dc = GetDC(bar);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(bar, WM_GETFONT, 0, 0)));
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
  }
  EXPECT_GT(barRect.bottom - barRect.top, metrics.tmHeight);
  EXPECT_EQ(barRect.bottom, client.bottom);
  EXPECT_EQ(memo.bottom, barRect.top);
  // A larger font makes a higher bar, and the memo gives way.
  TUniqueGdiObject big(CreateFontA(-24, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, "Tahoma"));
  SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(big.get()), FALSE);
  SendMessageA(form.Handle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  RECT higher = ChildRect(form.Handle(), bar);
  memo = ChildRect(form.Handle(), form.mmoStatus());
  EXPECT_GT(higher.bottom - higher.top, barRect.bottom - barRect.top);
  EXPECT_EQ(memo.bottom, higher.top);

  // The dialogs (About, the removal prompt) are placed by the same rule;
  // the About dialog's template lives in the program's resources, not here.
  TUniqueWindow dialog(CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", "About",
                                       WS_POPUP | WS_CAPTION, 0, 0, 304, 240, form.Handle(),
                                       nullptr, GetModuleHandleA(nullptr), nullptr));
  ASSERT_TRUE(dialog);
  CenterOnScreen(dialog.get());
  RECT about;
  GetWindowRect(dialog.get(), &about);
  const POINT aboutExpected = area.Centred(about);
  EXPECT_EQ(about.left, aboutExpected.x);
  EXPECT_EQ(about.top, aboutExpected.y);
}

}  // namespace
}  // namespace tarvo
