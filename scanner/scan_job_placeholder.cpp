// Temporary answers for the scan job's sheet and side, which image READs name,
// until the scan job record exists; the file goes when it does.
#include "scanner/scsi_commands.h"

uint8_t CurrentSheetNumber() { return 0; }
uint8_t CurrentSideCode() { return 0; }
