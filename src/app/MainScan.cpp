#include "app/Main.h"
#include "app/ModuleScan.h"
#include "framework/Application.h"

namespace tarvo {

void TfrmMain::ScanFolder(LPCITEMIDLIST list) {
  TScanContext context;
  context.desktopFolder = desktopFolder_.get();
  context.owner = Application.Handle();
  context.statusBar = statusBar_;
  context.watchedLibraries = &watchedLibraries_;
  context.watchedPrograms = &watchedPrograms_;
  context.systemDirectory = systemDirectory_;
  context.wow64SystemDirectory = wow64SystemDirectory_;
  context.misplaced = &misplaced_;
  context.stopRequested = [this] { return stopFlag_; };
  context.processMessages = [] { Application.ProcessMessages(); };
  context.report = [this](const std::string& line) { ReportLine(line); };
  TModuleScan(context).ScanFolder(list);
}

}  // namespace tarvo
