// Dialog templates of the host backend: the DIALOG statements of
// resources/korvex32.rc parsed into records with the same contents that
// windres writes into the Windows module (styles with the defaults windres
// gives each control statement, ids, classes, captions, positions in dialog
// units). The parser knows exactly the statements the script uses and refuses
// anything else with the line it stands on. Depends only on the C++ library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat::host {

struct ControlTemplate {
    std::string className;  // "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"
    std::string text;       // caption; for an icon control the icon's resource name
    int id = 0;             // as windres stores it: 16 bits, so IDC_STATIC (-1) reads 65535
    uint32_t style = 0;     // complete window style, WS_CHILD and WS_VISIBLE included
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    int line = 0;           // line of the statement in the script
};

struct DialogTemplate {
    std::string name;  // upper case, as FindResource matches names
    uint32_t style = 0;
    std::string caption;
    std::string fontName;
    int fontSize = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::vector<ControlTemplate> controls;  // in template order (the tab and group order)
};

// An included file the parser may read: `#include "name"` finds it by name.
struct IncludedFile {
    std::string_view name;
    std::string_view text;
};

struct TemplateParseResult {
    bool ok = false;
    std::string file;  // the file the error stands in
    int errorLine = 0;
    std::string error;  // "line N: ..." ready to print
    std::vector<DialogTemplate> dialogs;
    std::vector<std::string> icons;  // names of the ICON resources
};

// Parses a whole resource script. Only the dialog templates are kept; the
// string table and the version block are checked for well-formed tokens and
// balanced blocks and skipped.
TemplateParseResult ParseResourceScript(std::string_view script, std::string_view scriptName,
                                        const std::vector<IncludedFile>& includes);

// Compares two names or texts without regard to the case of ASCII letters, as
// resource names and the list searches of the host dialogs do.
bool EqualNoCase(std::string_view a, std::string_view b);

// The templates of the module's own script (parsed once, on first use). Null
// when there is no template of that name (compared without regard to case).
const DialogTemplate* FindDialogTemplate(const char* name);
// Every template of the module's script, in script order.
const std::vector<DialogTemplate>& ModuleDialogTemplates();

}  // namespace plat::host
