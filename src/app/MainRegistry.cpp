#include "app/Main.h"
#include "app/RegistryDump.h"

namespace tarvo {

void TfrmMain::DumpRegistryKey(HKEY root, const std::string& keyPath) {
  tarvo::DumpRegistryKey(root, keyPath, [this](const std::string& line) { ReportLine(line); });
}

}  // namespace tarvo
