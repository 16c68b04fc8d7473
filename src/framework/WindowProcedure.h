#pragma once
// The one shape of every window and dialog procedure of the program: a static
// procedure that finds its object (stored when the window is created) and
// forwards to the object's HandleMessage, inside the exception boundary.

#include <windows.h>

#include "framework/Application.h"

namespace tarvo {

// Window procedure for a class T with
//   LRESULT HandleMessage(HWND, UINT, WPARAM, LPARAM);
// The object is the creation parameter of CreateWindowExA. Messages before
// WM_NCCREATE and after WM_NCDESTROY go to DefWindowProcA. An exception
// escaping HandleMessage is shown in the error box and the message gives 0.
template <typename T>
LRESULT CALLBACK WindowProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (!self) return DefWindowProcA(window, msg, wParam, lParam);
  LRESULT result = 0;
  GuardedCall([&] { result = self->HandleMessage(window, msg, wParam, lParam); });
  return result;
}

// Dialog procedure for a class T with
//   INT_PTR HandleMessage(HWND, UINT, WPARAM, LPARAM);
// The object is the creation parameter of CreateDialogParamA (or
// CreateDialogIndirectParamA). Messages before WM_INITDIALOG give FALSE, as
// does a message whose handler raised.
template <typename T>
INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  GuardedCall([&] { result = self->HandleMessage(dialog, msg, wParam, lParam); });
  return result;
}

}  // namespace tarvo
