// The four members of the halftone combo restriction and their table.
#include "ui/halftone_restriction.h"

#include "scanner/model_table.h"
#include "settings/settings_model.h"
#include "ui/dialog_controls.h"

namespace {

// A halftone setting as the rule counts it: index 0 while `guard` is disabled
// (the halftone's own record, or the side's Sub Area button for a sub-area
// halftone).
struct HalftoneSource {
    SettingRecord* setting;
    OptionItem* list;
    SettingRecord* guard;
};

enum SourceIndex { kFront, kBack, kFrontSub, kBackSub };

const HalftoneSource kSources[] = {
    {&FrontHalftone, FrontHalftoneList, &FrontHalftone},
    {&BackHalftone, BackHalftoneList, &BackHalftone},
    {&FrontSubAreaHalftone, FrontSubAreaHalftoneList, &FrontSubArea},
    {&BackSubAreaHalftone, BackSubAreaHalftoneList, &BackSubArea},
};

struct RestrictionMember {
    SourceIndex target;
    int comboId;
    SourceIndex related[3];  // a, b, c of the key a + 256 b + 65536 c
    int partner;             // which of a, b, c alone is the key on generation 8
};

// Columns: target, combo box, a, b, c, key on generation 8.
constexpr RestrictionMember kBackMember = {kBack, 1014, {kFront, kFrontSub, kBackSub}, 2};
constexpr RestrictionMember kFrontMember = {kFront, 1013, {kBack, kFrontSub, kBackSub}, 1};
constexpr RestrictionMember kFrontSubMember = {kFrontSub, 1034, {kFront, kBack, kBackSub}, 0};
constexpr RestrictionMember kBackSubMember = {kBackSub, 1034, {kFront, kBack, kFrontSub}, 1};

uint32_t CountedIndex(const HalftoneSource& source) {
    if (source.guard->disabled == 1) return 0;
    return FindOptionIndex(*source.setting, source.list);
}

void Restrict(plat::WindowHandle dialog, const RestrictionMember& member) {
    const HalftoneSource& target = kSources[member.target];
    if (target.guard->disabled == 1) return;
    uint32_t indices[3];
    for (int i = 0; i < 3; ++i) indices[i] = CountedIndex(kSources[member.related[i]]);
    const uint32_t key = ModelGeneration >= 8 ? indices[member.partner]
                                              : indices[0] + 256 * indices[1] + 65536 * indices[2];
    ApplyHalftoneExclusion(key, target.list);
    FillOptionCombo(dialog, member.comboId, target.list);
    SelectSettingText(dialog, member.comboId, target.setting->text);
}

}  // namespace

void RestrictBackHalftone(plat::WindowHandle dialog) { Restrict(dialog, kBackMember); }
void RestrictFrontHalftone(plat::WindowHandle dialog) { Restrict(dialog, kFrontMember); }
void RestrictFrontSubAreaHalftone(plat::WindowHandle dialog) { Restrict(dialog, kFrontSubMember); }
void RestrictBackSubAreaHalftone(plat::WindowHandle dialog) { Restrict(dialog, kBackSubMember); }
