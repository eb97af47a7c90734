// The scan settings model.
#pragma once

// Brings the capabilities' current values into line with the settings.
void SyncCapabilityIndices();
// The index of the current PaperSize text: 0 to 10 standard, 11 and up free.
int FindPaperSizeIndex();
