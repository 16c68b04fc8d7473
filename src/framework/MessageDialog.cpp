#include "framework/MessageDialog.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/ModalLoop.h"
#include "framework/WindowProcedure.h"
#include "platform/DeviceContext.h"
#include "platform/UniqueResource.h"

namespace tarvo {

namespace {

class TMessageDialog {
public:
  TMessageDialog(const std::string& message, const std::string& caption)
      : message_(message), caption_(caption) {}

  INT_PTR HandleMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
  int Result() const { return result_; }
  const bool& Done() const { return done_; }

private:
  void Build(HWND dialog);
  void Finish(int result);

  const std::string& message_;
  const std::string& caption_;
  TUniqueFont font_;
  int result_ = IDCANCEL;
  bool done_ = false;
};

void TMessageDialog::Finish(int result) {
  if (done_) return;
  result_ = result;
  done_ = true;
}

// Lays the dialog out around its text: icon at the left, the text beside it,
// Yes and No centred below.
void TMessageDialog::Build(HWND dialog) {
  SetWindowTextA(dialog, caption_.c_str());
  font_ = CreateFormFont(-11);
  HFONT font = font_.get();

  RECT text = {0, 0, 360, 0};
  {
    TWindowDC dc(dialog);
    TSelectedObject selected(dc.get(), font);
    DrawTextA(dc.get(), message_.c_str(), static_cast<int>(message_.size()), &text,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  }

  const int margin = 12, icon = 32, gap = 12, buttonW = 75, buttonH = 23, buttonGap = 8;
  int textLeft = margin + icon + gap;
  int textH = std::max<int>(text.bottom, icon);
  int clientW = std::max<int>(textLeft + text.right + margin, 2 * buttonW + buttonGap + 2 * margin);
  int buttonsTop = margin + textH + 16;
  int clientH = buttonsTop + buttonH + margin;

  auto control = [&](const char* className, const char* caption, DWORD style, int id) {
    TControlArgs args;
    args.parent = dialog;
    args.className = className;
    args.text = caption;
    args.style = style;
    args.id = id;
    args.font = font;
    return args;
  };
  const int yesLeft = (clientW - (2 * buttonW + buttonGap)) / 2;
  const int noLeft = yesLeft + buttonW + buttonGap;
  const DWORD yesStyle = BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP;
  const DWORD noStyle = BS_PUSHBUTTON | WS_TABSTOP;
  const DWORD textStyle = SS_LEFT | SS_NOPREFIX;
  const char* message = message_.c_str();

  HWND iconCtl = CreateControl(control("STATIC", "", SS_ICON, -1).At(margin, margin, icon, icon));
  HICON errorIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
  SendMessageA(iconCtl, STM_SETICON, reinterpret_cast<WPARAM>(errorIcon), 0);
  CreateControl(
      control("STATIC", message, textStyle, -1).At(textLeft, margin, text.right, text.bottom));
  HWND yes = CreateControl(
      control("BUTTON", "&Yes", yesStyle, IDYES).At(yesLeft, buttonsTop, buttonW, buttonH));
  CreateControl(control("BUTTON", "&No", noStyle, IDNO).At(noLeft, buttonsTop, buttonW, buttonH));
  SendMessageA(dialog, DM_SETDEFID, IDYES, 0);

  SetClientSize(dialog, clientW, clientH);
  CenterOnScreen(dialog);
  SetFocus(yes);
}

INT_PTR TMessageDialog::HandleMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      Build(dialog);
      return FALSE;  // the focus is set already
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDYES:
          Finish(IDYES);
          return TRUE;
        case IDNO:
        case IDCANCEL:  // Esc
          Finish(IDNO);
          return TRUE;
      }
      break;
    case WM_CLOSE:  // the title bar's close box (Alt+F4): neither Yes nor No
      Finish(IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

// An empty dialog template; the controls are made in WM_INITDIALOG, sized to
// the text.
struct alignas(4) TEmptyTemplate {
  DLGTEMPLATE header;
  WORD menu;
  WORD windowClass;
  WCHAR title;
  WORD padding;
};

}  // namespace

int MessageDlgYesNo(const std::string& message, const std::string& caption, HWND owner) {
  // A terminating application answers at once; the quit is already on its way.
  if (Application.Terminated()) return IDCANCEL;

  TEmptyTemplate tmpl = {};
  tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
  tmpl.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;
  tmpl.header.cx = 100;
  tmpl.header.cy = 50;

  TMessageDialog box(message, caption);
  TUniqueWindow dialog(CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tmpl.header, owner,
                                                  DialogProcedure<TMessageDialog>,
                                                  reinterpret_cast<LPARAM>(&box)));
  if (!dialog) return IDCANCEL;
  {
    TModalLoop loop(dialog.get());
    if (!loop.Run(box.Done())) return IDCANCEL;
  }
  return box.Result();
}

}  // namespace tarvo
