// The conditions that the usability rules of the main and More Settings
// dialogs share, worked out from freshly looked-up choice indices.
#pragma once

struct SettingConditions {
    bool bw;   // the image type is "Black & White"
    bool at;   // automatic threshold is "None" (or disabled)
    bool dx;   // duplex
    bool sep;  // automatic separation is on
    bool pd;   // paper size detection is on
    bool eq;   // the front and back halftones are the same
};

// Refreshes the cached indices of the settings the rules depend on and
// answers the conditions they give.
SettingConditions RefreshChoiceIndices();
