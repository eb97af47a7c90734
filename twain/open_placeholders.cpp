// Temporary answers for the work that opening the source calls before the
// device layer (#3) and the settings (#5) exist. Each definition is deleted
// when the real routine is written; the file goes with the last one.
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "twain/image_layout.h"

// TODO(#3): device discovery through the ASPI manager.
int DiscoverScanner() { return 1; }
void UnloadAspi() {}

// TODO(#5): model table, settings model, settings file and the default page frame.
int ApplyModel() { return 1; }
void LoadSettings() {}
void SyncCapabilityIndices() {}
int FindPaperSizeIndex() { return 0; }
void SetDefaultPageFrame(int) {}
