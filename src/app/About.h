#pragma once
// The About dialog: icon, product name, version, maker. It has no behaviour
// of its own; every text comes from its resource.

#include <windows.h>

#include "platform/UniqueResource.h"

namespace tarvo {

class TAboutBox {
public:
  // Creates the dialog, hidden, owned by `owner`.
  explicit TAboutBox(HWND owner);
  ~TAboutBox() = default;
  TAboutBox(const TAboutBox&) = delete;
  TAboutBox& operator=(const TAboutBox&) = delete;

  HWND Handle() const noexcept { return dialog_.get(); }
  // Shows the dialog modally; gives IDOK for OK, IDCANCEL for Esc or the
  // close box (and when the application is closing).
  int ShowModal();

  // Every message of the dialog, through the framework's dialog procedure.
  INT_PTR HandleMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

private:
  void Layout(HWND dialog);
  void Finish(int result);

  // Owned here and destroyed after the dialog that shows them.
  TUniqueFont productFont_;
  TUniqueIcon icon_;
  TUniqueWindow dialog_;
  int result_ = 0;
  bool done_ = false;
};

// The About dialog of the moment: the never-shown instance made at start-up,
// or the one About! shows.
extern TAboutBox* AboutBox;

}  // namespace tarvo
