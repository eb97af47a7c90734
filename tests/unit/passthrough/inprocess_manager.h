// Stands an ASPI manager of the tests in for "WNASPI32.DLL", in-process, so
// that the source's own discovery and commands run over it (host only: the
// platform's module hook).
#pragma once

#include "passthrough/core/aspi_manager.h"

namespace fake_passthrough {

// The source then reaches `manager` through the two ASPI entry points, until
// the next registration or the hooks' reset; false when it cannot register.
bool InstallInProcessManager(passthrough::AspiManager* manager);

}  // namespace fake_passthrough
