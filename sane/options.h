// The backend's SANE options: their descriptors, with constraints from what
// the source offers, their values, and the scan request they make.
#pragma once

#include <sane/sane.h>

#include <vector>

#include "apps/twain_app/scan_options.h"

enum OptionIndex : SANE_Int {
    kOptCount,
    kOptModeGroup,
    kOptMode,
    kOptDepth,
    kOptResolution,
    kOptSource,
    kOptEnhancementGroup,
    kOptBrightness,
    kOptContrast,
    kOptGeometryGroup,
    kOptPageWidth,
    kOptPageHeight,
    kOptTlX,
    kOptTlY,
    kOptBrX,
    kOptBrY,
    kOptionCount
};

struct OptionSet {
    SANE_Option_Descriptor descriptors[kOptionCount];
    SANE_Word values[kOptionCount];  // integers, fixed-point millimetres, list indices for strings
    std::vector<SANE_String_Const> modes;    // null-terminated
    std::vector<SANE_String_Const> sources;  // null-terminated
    std::vector<SANE_Word> resolutions;      // SANE word list: count first
    std::vector<SANE_Word> depths;
    SANE_Range brightness, contrast, pageWidth, pageHeight, areaX, areaY;
};

// Descriptors and defaults for the offer; the page starts as `widthMm` by
// `heightMm` (the source's page frame), kept within the offer's bounds.
void BuildOptions(OptionSet& options, const ScanOffer& offer, double widthMm, double heightMm);

// sane_control_option for one option (the caller has checked the handle and
// that no scan is running).
SANE_Status ControlOption(OptionSet& options, SANE_Int option, SANE_Action action, void* value, SANE_Int* info);

// The request the values make; false when the scan area is empty.
bool RequestOf(const OptionSet& options, ScanRequest& request);

// The frame a scan with these values is expected to give.
SANE_Parameters EstimatedParameters(const OptionSet& options);
