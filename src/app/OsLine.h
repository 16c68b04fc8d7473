#pragma once
// The platform half of the operating-system line.

#include "app/OsLineRules.h"

namespace tarvo {

// Asks the platform with the extended record and falls back to the basic one.
TOSVersion QueryOSVersion();

}  // namespace tarvo
