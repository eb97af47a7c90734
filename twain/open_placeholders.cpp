// Temporary answers for the work that opening the source calls before the
// settings (#5) exist. Each definition is deleted when the real routine is
// written; the file goes with the last one.
#include "scanner/model_table.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "twain/image_layout.h"

// TODO(#5): the default page frame, once the scan window record exists.
void SetDefaultPageFrame(int) {}
