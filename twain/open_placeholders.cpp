// Temporary answers for the work that opening the source calls before the
// device layer (#3) and the settings (#5) exist. Each definition is deleted
// when the real routine is written; the file goes with the last one.
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "twain/image_layout.h"

// TODO(#3): device discovery through the ASPI manager.
uint8_t ScsiAdapter = 0;
uint8_t ScsiTarget = 0;
int16_t ScannerCount = 0;
char InquiryVendor[8 + 1] = "";
char InquiryProduct[16 + 1] = "";
char InquiryRevision[4 + 1] = "";
char MechaName[18] = "None";
char MechaGray[18] = "OFF";
char MechaBack[18] = "OFF";
char ModelName[16 + 1] = "ZR-DX83";
int DiscoverScanner() { return 1; }
void UnloadAspi() {}

// TODO(#5): model table, settings model, settings file and the default page frame.
int ApplyModel() { return 1; }
void LoadSettings() {}
void SyncCapabilityIndices() {}
int FindPaperSizeIndex() { return 0; }
void SetDefaultPageFrame(int) {}
