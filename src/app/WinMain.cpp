// Start-up: COM and the application object first, then the main window, the
// never-shown About dialog, and the message loop.

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/About.h"
#include "app/Main.h"
#include "framework/Application.h"
#include "platform/ModuleFunction.h"
#include "support/Pidlhelp.h"

using namespace tarvo;

namespace {

// The status bar is the only common control the program uses. The newer
// registration call came with comctl32.dll 4.70, which a plain Windows 95 or
// NT 4.0 lacks: it is looked up at run time, and the older call, which
// registers the status bar on every version, stands in where it is missing.
void RegisterStatusBarClass() {
  using TInitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const auto initEx =
      ModuleFunction<TInitEx>(GetModuleHandleA("comctl32.dll"), "InitCommonControlsEx");
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  if (!initEx || !initEx(&controls)) InitCommonControls();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Application.Initialize(instance);
  RegisterStatusBarClass();
  // The shell's allocator for item ID lists, held until the window is gone.
  struct TPidlhelpUnit {
    TPidlhelpUnit() { PidlhelpInitialize(); }
    ~TPidlhelpUnit() { PidlhelpFinalize(); }
  } pidlhelp;

  std::unique_ptr<TfrmMain> frmMain;
  std::unique_ptr<TAboutBox> startupAboutBox;
  try {
    frmMain = std::make_unique<TfrmMain>();
    startupAboutBox = std::make_unique<TAboutBox>(Application.Handle());
    AboutBox = startupAboutBox.get();
  } catch (const std::exception& e) {
    // The log or the desktop folder could not be had: say why and end
    // without showing the window.
    Application.ShowException(e);
    return 0;
  }

  GuardedCall([&] { frmMain->Show(); });
  Application.Run();

  if (AboutBox == startupAboutBox.get()) AboutBox = nullptr;
  startupAboutBox.reset();
  frmMain.reset();
  return 0;
}
