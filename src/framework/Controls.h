#pragma once
// The control classes of the main window that the system does not provide:
// the speed button and the panel. Memo and status bar are the system's EDIT
// and status-bar controls.

#include <windows.h>

namespace tarvo {

// The look of a speed button's two-image glyph.
enum class TGlyphKind { gkStart, gkStop, gkExit };

// Registers the window classes below (once per process).
void RegisterControlClasses(HINSTANCE instance);

extern const char kSpeedButtonClass[];
extern const char kPanelClass[];

// A raised button with a bold caption and a glyph of two images (normal and
// disabled look). It never takes the focus; a click, or BM_CLICK, sends
// WM_COMMAND (BN_CLICKED) to its parent, as a push button does.
HWND CreateSpeedButton(HWND parent, int id, const char* caption, TGlyphKind glyph, RECT bounds,
                       HFONT font);

// A plain container with a lowered inner bevel. Passes its children's
// WM_COMMAND messages on to its own parent.
HWND CreatePanel(HWND parent, RECT bounds);

}  // namespace tarvo
