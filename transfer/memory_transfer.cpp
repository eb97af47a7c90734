// Memory transfer: the position of the next strip.
#include "transfer/memory_transfer.h"

uint32_t MemoryLinePosition = 0;

void ResetMemoryTransferState() { MemoryLinePosition = 0; }
