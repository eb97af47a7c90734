// The progress of the page being read.
#include "transfer/progress_dialog.h"

int32_t ProgressPercentage = 0;

void ResetProgressState() { ProgressPercentage = 0; }
