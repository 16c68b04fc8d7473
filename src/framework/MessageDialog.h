#pragma once
// A modal message dialog with Yes and No: Enter gives Yes (6), No and Esc
// give No (7), the title bar's close box gives 2. A quit message arriving
// while it is shown (or an application already terminating) ends it with 2;
// the quit message is posted again for the outer loop. MessageBoxA cannot do
// this: it disables Esc and the close box for Yes/No.

#include <windows.h>

#include <string>

namespace tarvo {

// Shows the message with the error icon. Returns IDYES (6), IDNO (7) or
// IDCANCEL (2). Centred on the screen; the other windows of the program take
// no input while it is shown.
int MessageDlgYesNo(const std::string& message, const std::string& caption, HWND owner);

}  // namespace tarvo
