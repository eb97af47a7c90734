// The module's own dialog templates: the resource script and its two headers
// as the build embeds them, parsed once on first use.
#include "platform/host/dialog_templates.h"

extern const char kResourceScript[];
extern const unsigned kResourceScriptSize;
extern const char kWindowStylesHeader[];
extern const unsigned kWindowStylesHeaderSize;
extern const char kResourceIdsHeader[];
extern const unsigned kResourceIdsHeaderSize;

namespace plat::host {
namespace {

struct ModuleTemplates {
    bool parsed = false;
    std::vector<DialogTemplate> dialogs;
};

ModuleTemplates& Module() {
    static ModuleTemplates templates;
    if (!templates.parsed) {
        templates.parsed = true;
        const std::vector<IncludedFile> includes = {
            {"window_styles.h", std::string_view(kWindowStylesHeader, kWindowStylesHeaderSize)},
            {"resource_ids.h", std::string_view(kResourceIdsHeader, kResourceIdsHeaderSize)},
        };
        TemplateParseResult result = ParseResourceScript(
            std::string_view(kResourceScript, kResourceScriptSize), "korvex32.rc", includes);
        // The build refuses a script the parser does not understand, so a
        // failure here means the embedded text is not the checked one.
        if (result.ok) templates.dialogs = std::move(result.dialogs);
    }
    return templates;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(const char* name) {
    if (name == nullptr) return nullptr;
    for (const DialogTemplate& dialog : Module().dialogs)
        if (EqualNoCase(dialog.name, name)) return &dialog;
    return nullptr;
}

const std::vector<DialogTemplate>& ModuleDialogTemplates() { return Module().dialogs; }

}  // namespace plat::host
