// Memory transfer: the position of the next strip within the current page.
#pragma once

#include <cstdint>

// Lines of the current page already delivered in strips; reported as the
// strip's YOffset, reset at the start of a batch and of every page.
extern uint32_t MemoryLinePosition;

void ResetMemoryTransferState();
