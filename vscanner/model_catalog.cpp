// The constant tables of the scanner models, vendors, paper sizes and window
// limits.
#include "vscanner/model_catalog.h"

#include <cctype>
#include <cstring>

namespace vscan {

// name, paper class, back unit, generation
const ModelInfo kModels[kModelCount] = {
    {"ZR-DX41", 1, 1, 1},
    {"ZR-DX40", 1, 0, 1},
    {"ZR-DX73PX", 1, 1, 1},
    {"ZR-DX72PX", 1, 0, 1},
    {"ZR-DX83PX", 0, 1, 1},
    {"ZR-DX82PX", 0, 0, 1},
    {"ZR-DX961", 2, 1, 8},
    {"ZR-DX960", 2, 0, 8},
    {"ZR-DX961s", 2, 1, 8},
    {"ZR-DX960s", 2, 0, 8},
    {"ZR-DX73", 1, 1, 0},
    {"ZR-DX72", 1, 0, 0},
    {"ZR-DX83", 0, 1, 0},
    {"ZR-DX82", 0, 0, 0},
    {"ZR-DXB700", 1, 1, 1},
    {"ZR-DXB600", 0, 1, 1},
};

// vendor identification, 8 characters
const char* const kScannerVendors[kVendorCount] = {
    "T.S.E.  ",
    "HOLMGARD",
    "VANTO   ",
};

// name, reported code, width, length (1/1200 inch)
const PaperInfo kPapers[kPaperCount] = {
    {"Letter", 7, 10200, 13200},
    {"Legal", 0, 10200, 16800},
    {"Ledger", 16, 13200, 20400},
    {"A3", 3, 14032, 19843},
    {"A4", 4, 9922, 14032},
    {"A5", 5, 6992, 9922},
    {"A6", 6, 4961, 6992},
    {"B4", 12, 12142, 17197},
    {"B5", 13, 8599, 12142},
    {"B6", 14, 6048, 8599},
    {"BusinessCard", 1, 2599, 4300},
};

// generation (1 = not 0), paper class (3 = not 0), widest window, longest window
const WindowLimit kWindowLimits[kWindowLimitCount] = {
    {1, 2, 14064, 786420},
    {1, 1, 10240, 20400},
    {1, 0, 12096, 20400},
    {0, 3, 10240, 16800},
    {0, 0, 12094, 17280},
};

const ModelInfo* FindModel(const char* name) {
    if (name == nullptr) return nullptr;
    for (const ModelInfo& model : kModels) {
        if (std::strcmp(model.name, name) == 0) return &model;
    }
    return nullptr;
}

namespace {
bool SameTextIgnoringCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}
}  // namespace

const PaperInfo* FindPaper(const char* name) {
    if (name == nullptr) return nullptr;
    for (const PaperInfo& paper : kPapers) {
        if (SameTextIgnoringCase(paper.name, name)) return &paper;
    }
    return nullptr;
}

bool ModelHasImprinter(const ModelInfo& model) {
    const size_t length = std::strlen(model.name);
    return model.generation == 8 && length > 0 && model.name[length - 1] == 's';
}

const WindowLimit& WindowLimitFor(const ModelInfo& model) {
    const uint8_t generation = model.generation == 0 ? 0 : 1;
    for (const WindowLimit& limit : kWindowLimits) {
        if (limit.generation != generation) continue;
        if (limit.family == model.family || (limit.family == 3 && model.family != 0)) return limit;
    }
    return kWindowLimits[0];
}

}  // namespace vscan
