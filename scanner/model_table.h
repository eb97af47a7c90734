// The model table: the sixteen scanner models with their paper class, back
// unit, generation and the settings each offers, and the identified model's
// properties that model setup (ApplyModel) makes process-wide. Depends on the
// settings model and the capability state, which ApplyModel adjusts.
#pragma once

#include <cstdint>

#include "settings/settings_model.h"

// One entry of an availability list: the setting and its `offered` value. A
// list ends with an entry whose record is null.
struct AvailabilityEntry {
    SettingRecord* record;
    uint8_t offered;
};

struct ModelRow {
    char name[16];          // NUL-padded, as the start of the INQUIRY product id
    uint8_t family;         // paper class: 0 B4 width, 1 letter width, 2 A3 width
    uint8_t duplexCapable;  // 1 with a back-side reading unit
    uint8_t generation;     // 0, 1, or 8 (double feed, manual feed, imprinter)
    const AvailabilityEntry* availability;
};

constexpr int kModelCount = 16;
// The sixteen rows followed by the end row (empty name).
extern const ModelRow ModelTable[kModelCount + 1];

// The eight availability lists A to H.
constexpr int kAvailabilityLists = 8;
extern const AvailabilityEntry* const AvailabilityLists[kAvailabilityLists];

// The identified model's values, set by ApplyModel.
extern uint8_t ModelFamily;
extern uint8_t DuplexCapable;
extern uint8_t ModelGeneration;
extern int32_t MinPageWidth;   // millimetres
extern int32_t MinPageLength;  // millimetres
extern int32_t MaxPageWidth;   // millimetres
extern int32_t MaxPageLength;  // millimetres

// The row whose name equals `name`; null when none does.
const ModelRow* FindModelRow(const char* name);

// Applies the identified model's row; 1 on success, 0 when the model name is
// not in the table (nothing changes then).
int ApplyModel();

void ResetModelTableState();
