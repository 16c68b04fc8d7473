#include "framework/Controls.h"

#include <memory>

#include "framework/Application.h"
#include "framework/WindowProcedure.h"
#include "platform/DeviceContext.h"
#include "platform/UniqueResource.h"

namespace tarvo {

const char kSpeedButtonClass[] = "TarvoSpeedButton";
const char kPanelClass[] = "TarvoPanel";

namespace {

constexpr int kGlyphSize = 16;

// State of one speed button, owned by its window: made before the window,
// deleted with it (WM_NCDESTROY).
struct TSpeedButton {
  TGlyphKind kind;
  HFONT font = nullptr;
  TUniqueBitmap glyphs;  // two images side by side: normal, disabled
  bool pressed = false;
  bool tracking = false;

  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// Draws one glyph image into the cell at `left`. The disabled look is the
// same outline embossed in the system's shadow and highlight colours.
void DrawGlyph(HDC dc, int left, TGlyphKind kind, bool disabled) {
  auto paintShape = [&](int dx, int dy, COLORREF fill, COLORREF line) {
    TUniqueBrush brush(CreateSolidBrush(fill));
    TUniquePen pen(CreatePen(PS_SOLID, 1, line));
    TSelectedObject brushSelected(dc, brush.get());
    TSelectedObject penSelected(dc, pen.get());
    int x = left + dx, y = dy;
    switch (kind) {
      case TGlyphKind::gkStart: {  // a triangle pointing right
        POINT p[3] = {{x + 4, y + 2}, {x + 13, y + 8}, {x + 4, y + 14}};
        Polygon(dc, p, 3);
        break;
      }
      case TGlyphKind::gkStop:  // a square
        Rectangle(dc, x + 3, y + 3, x + 13, y + 13);
        break;
      case TGlyphKind::gkExit: {  // an open door with an arrow leaving it
        Rectangle(dc, x + 2, y + 1, x + 9, y + 15);
        POINT arrow[7] = {{x + 7, y + 7},  {x + 11, y + 7}, {x + 11, y + 4}, {x + 15, y + 8},
                          {x + 11, y + 12}, {x + 11, y + 9}, {x + 7, y + 9}};
        Polygon(dc, arrow, 7);
        break;
      }
    }
  };
  if (!disabled) {
    COLORREF fill = kind == TGlyphKind::gkStart  ? RGB(0, 160, 0)
                    : kind == TGlyphKind::gkStop ? RGB(200, 0, 0)
                                                 : RGB(0, 64, 192);
    paintShape(0, 0, fill, RGB(0, 0, 0));
  } else {
    paintShape(1, 1, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNHIGHLIGHT));
    paintShape(0, 0, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
  }
}

TUniqueBitmap MakeGlyphs(HWND button, TGlyphKind kind) {
  TWindowDC screen(button);
  TUniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), 2 * kGlyphSize, kGlyphSize));
  TUniqueMemoryDC mem(CreateCompatibleDC(screen.get()));
  TSelectedObject selected(mem.get(), bitmap.get());
  RECT all = {0, 0, 2 * kGlyphSize, kGlyphSize};
  FillRect(mem.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
  DrawGlyph(mem.get(), 0, kind, false);
  DrawGlyph(mem.get(), kGlyphSize, kind, true);
  return bitmap;
}

void DrawSpeedButton(HWND hwnd, HDC dc, const TSpeedButton& b) {
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  bool down = b.pressed && enabled;
  DrawEdge(dc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  char caption[64] = {};
  GetWindowTextA(hwnd, caption, sizeof caption);
  TSelectedObject font(dc, b.font ? b.font : GetStockObject(DEFAULT_GUI_FONT));
  SIZE textSize = {};
  GetTextExtentPoint32A(dc, caption, lstrlenA(caption), &textSize);
  const int spacing = 4;
  int contentW = kGlyphSize + spacing + textSize.cx;
  int x = (r.right - contentW) / 2 + (down ? 1 : 0);
  int y = (r.bottom - kGlyphSize) / 2 + (down ? 1 : 0);

  {
    TUniqueMemoryDC mem(CreateCompatibleDC(dc));
    TSelectedObject glyphs(mem.get(), b.glyphs.get());
    BitBlt(dc, x, y, kGlyphSize, kGlyphSize, mem.get(), enabled ? 0 : kGlyphSize, 0, SRCCOPY);
  }

  SetBkMode(dc, TRANSPARENT);
  int tx = x + kGlyphSize + spacing;
  int ty = (r.bottom - textSize.cy) / 2 + (down ? 1 : 0);
  if (enabled) {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutA(dc, tx, ty, caption, lstrlenA(caption));
  } else {
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    TextOutA(dc, tx + 1, ty + 1, caption, lstrlenA(caption));
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    TextOutA(dc, tx, ty, caption, lstrlenA(caption));
  }
}

void PaintSpeedButton(HWND hwnd, const TSpeedButton& b) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  // Everything selected while drawing is selected out again before EndPaint.
  DrawSpeedButton(hwnd, dc, b);
  EndPaint(hwnd, &ps);
}

void NotifyClick(HWND hwnd) {
  if (!IsWindowEnabled(hwnd)) return;
  int id = GetDlgCtrlID(hwnd);
  SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(hwnd));
}

bool PointInside(HWND hwnd, LPARAM lParam) {
  RECT r;
  GetClientRect(hwnd, &r);
  POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  return PtInRect(&r, p) != FALSE;
}

LRESULT TSpeedButton::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCDESTROY:
      // The window owns its state; nothing of it is touched after this.
      delete this;
      break;
    case WM_SETFONT:
      font = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font);
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_ENABLE:
      pressed = tracking = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintSpeedButton(hwnd, *this);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // Deliberately no SetFocus: the focus stays where it is (the memo).
      pressed = tracking = true;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_MOUSEMOVE:
      if (tracking) {
        bool inside = PointInside(hwnd, lParam);
        if (inside != pressed) {
          pressed = inside;
          InvalidateRect(hwnd, nullptr, TRUE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (tracking) {
        bool click = PointInside(hwnd, lParam);
        pressed = tracking = false;
        ReleaseCapture();
        InvalidateRect(hwnd, nullptr, TRUE);
        if (click) NotifyClick(hwnd);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (tracking) {
        pressed = tracking = false;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case BM_CLICK:
      NotifyClick(hwnd);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      HDC dc = reinterpret_cast<HDC>(wParam);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      DrawEdge(dc, &r, BDR_SUNKENINNER, BF_RECT);
      return 1;
    }
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterControlClasses(HINSTANCE instance) {
  WNDCLASSA wc = {};
  if (!GetClassInfoA(instance, kSpeedButtonClass, &wc)) {
    wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = WindowProcedure<TSpeedButton>;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kSpeedButtonClass;
    RegisterClassA(&wc);
  }
  if (!GetClassInfoA(instance, kPanelClass, &wc)) {
    wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kPanelClass;
    RegisterClassA(&wc);
  }
}

HWND CreateControl(const TControlArgs& args, void* createParam) {
  const RECT& r = args.bounds;
  HWND control =
      CreateWindowExA(args.exStyle, args.className, args.text, WS_CHILD | WS_VISIBLE | args.style,
                      r.left, r.top, r.right - r.left, r.bottom - r.top, args.parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                      GetModuleHandleA(nullptr), createParam);
  if (control && args.font)
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(args.font), FALSE);
  return control;
}

HWND CreateSpeedButton(TControlArgs args, TGlyphKind glyph) {
  RegisterControlClasses(GetModuleHandleA(nullptr));
  auto state = std::make_unique<TSpeedButton>();
  state->kind = glyph;
  state->font = args.font;
  // From WM_NCCREATE on the window owns its state and frees it in
  // WM_NCDESTROY. Our procedure fails no creation message, so a failed
  // creation never reached WM_NCCREATE and the state is still ours.
  TSpeedButton* raw = state.get();
  args.className = kSpeedButtonClass;
  HWND hwnd = CreateControl(args, raw);
  if (!hwnd) return nullptr;
  state.release();
  raw->glyphs = MakeGlyphs(hwnd, glyph);
  return hwnd;
}

HWND CreatePanel(TControlArgs args) {
  RegisterControlClasses(GetModuleHandleA(nullptr));
  args.className = kPanelClass;
  args.style |= WS_CLIPCHILDREN;
  args.exStyle |= WS_EX_CONTROLPARENT;
  return CreateControl(args);
}

TUniqueFont CreateFormFont(int height, int weight, bool italic) {
  return TUniqueFont(CreateFontA(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
}

void SetClientSize(HWND window, int width, int height) {
  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tarvo
