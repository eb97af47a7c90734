// Temporary answers for the values the scanner commands read from subsystems
// that do not provide them yet: the SideMode setting, the model generation and
// the scan job's sheet and side. Each definition goes when its owner supplies
// the value; the file goes with the last one.
#include "scanner/scsi_commands.h"

const char* CurrentSideModeText() { return "Simplex"; }
uint8_t CurrentModelGeneration() { return 0; }
uint8_t CurrentSheetNumber() { return 0; }
uint8_t CurrentSideCode() { return 0; }
