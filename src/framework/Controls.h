#pragma once
// Making controls: every control is made from a TControlArgs, whose defaults
// stand for the common case, so that a form's layout reads as a table of the
// values that differ. Besides the system's controls, two classes of our own:
// the speed button and the panel. And the font and client-size helpers the
// forms share.

#include <windows.h>

#include "platform/UniqueResource.h"

namespace tarvo {

// What a control is made from. The defaults make a visible child with no
// text, control identifier 0 and the system font.
struct TControlArgs {
  HWND parent = nullptr;
  const char* className = "STATIC";
  const char* text = "";
  DWORD style = 0;  // besides WS_CHILD | WS_VISIBLE
  DWORD exStyle = 0;
  int id = 0;
  RECT bounds = {};  // in the parent's client coordinates
  HFONT font = nullptr;

  TControlArgs& At(int left, int top, int width, int height) {
    bounds = RECT{left, top, left + width, top + height};
    return *this;
  }
};

// Makes the control and hands it its font. Null when the system refuses.
HWND CreateControl(const TControlArgs& args, void* createParam = nullptr);

// The look of a speed button's two-image glyph.
enum class TGlyphKind { gkStart, gkStop, gkExit };

// Registers the window classes below (once per process).
void RegisterControlClasses(HINSTANCE instance);

extern const char kSpeedButtonClass[];
extern const char kPanelClass[];

// A raised button with a bold caption and a glyph of two images (normal and
// disabled look). It never takes the focus; a click, or BM_CLICK, sends
// WM_COMMAND (BN_CLICKED) to its parent, as a push button does. The class
// name in `args` is not used.
HWND CreateSpeedButton(TControlArgs args, TGlyphKind glyph);

// A plain container with a lowered inner bevel. Passes its children's
// WM_COMMAND messages on to its own parent. The class name in `args` is not
// used.
HWND CreatePanel(TControlArgs args);

// The program's one typeface at a height in pixels (negative: the
// character height), as every form uses it.
TUniqueFont CreateFormFont(int height, int weight = FW_NORMAL, bool italic = false);

// Sizes a window so that its client area is `width` by `height`, for its
// present styles; its place stays.
void SetClientSize(HWND window, int width, int height);

}  // namespace tarvo
