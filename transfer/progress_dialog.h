// The progress of the page being read, which the progress dialog shows.
#pragma once

#include <cstdint>

// Percentage (0 to 100) of the current page read so far; reset at the start of
// a batch and of every page.
extern int32_t ProgressPercentage;

void ResetProgressState();
