// Start-up: COM and the application object first, then the main window, the
// never-shown About dialog, and the message loop.

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/About.h"
#include "app/Main.h"
#include "framework/Application.h"
#include "support/Pidlhelp.h"

using namespace tarvo;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Application.Initialize(instance);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
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
