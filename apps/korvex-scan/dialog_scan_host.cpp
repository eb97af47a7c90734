// --show-ui on Linux. The data source is linked into korvex-scan and reached
// through a small stand-in for the source manager, because a module loaded by
// the manager keeps its dialogs in its own copy of the host window model,
// out of this program's reach. A script of user actions then works the
// dialogs through the host dialog driver, as a person would.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "apps/korvex-scan/dialog_scan.h"
#include "apps/twain_app/twain_session.h"
#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "twain/dispatch.h"
#if defined(KORVEX_SCAN_HAVE_RENDER)
#include "tools/render-dialogs/dialog_render.h"
#endif

namespace {

using plat::host::DialogDriver;

constexpr TW_UINT32 kApplicationId = 1;
constexpr TW_UINT32 kSourceId = 2;

// The stand-in manager's own condition code, as DAT_STATUS reports it.
TW_UINT16 ManagerCondition = TWCC_SUCCESS;

TW_UINT16 Refuse(TW_UINT16 condition) {
    ManagerCondition = condition;
    return TWRC_FAILURE;
}

// The source linked into this program, as a manager would serve it: one
// application, one source, notifications noted for the application.
TW_UINT16 TW_CALLINGSTYLE InProcessManager(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                                           TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dest != nullptr && dest->Id == kApplicationId && dat == DAT_NULL) {
        NoteNotification(msg);
        return TWRC_SUCCESS;
    }
    if (dest != nullptr) return DS_Entry(origin, dataGroup, dat, msg, data);
    if (data == nullptr) return Refuse(TWCC_BADVALUE);
    auto* identity = static_cast<TW_IDENTITY*>(data);
    switch (dat) {
        case DAT_PARENT:
            if (msg == MSG_OPENDSM) origin->Id = kApplicationId;
            return TWRC_SUCCESS;
        case DAT_STATUS:
            static_cast<TW_STATUS*>(data)->ConditionCode = ManagerCondition;
            ManagerCondition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        case DAT_IDENTITY:
            break;
        default: return Refuse(TWCC_BADPROTOCOL);
    }
    if (msg == MSG_CLOSEDS) return DS_Entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, data);
    if (msg == MSG_GETNEXT) return TWRC_ENDOFLIST;
    TW_IDENTITY own{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &own);
    if (msg == MSG_OPENDS && identity->ProductName[0] != '\0' &&
        std::strncmp(identity->ProductName, own.ProductName, sizeof own.ProductName) != 0) {
        return Refuse(TWCC_NODS);
    }
    std::memcpy(identity, &own, sizeof own);
    identity->Id = msg == MSG_OPENDS ? kSourceId : 0;
    if (msg != MSG_OPENDS) return TWRC_SUCCESS;
    return DS_Entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, identity);
}

void* ManagerSymbol(const char* name) {
    return std::strcmp(name, "DSM_Entry") == 0 ? reinterpret_cast<void*>(&InProcessManager) : nullptr;
}

int ModuleAnchor;

// ---- The dialog script -------------------------------------------------------------

struct ScriptAction;
struct ModalBlock {
    std::string templateName;
    std::vector<ScriptAction> actions;
};
struct ScriptAction {
    int line = 0;
    std::string verb;
    std::string item;
    std::string text;
    std::vector<ModalBlock> modals;  // answered while this action runs
};

struct ScriptState {
    std::string error;
    bool usage = false;
};

// The line without a comment: "#" at its start or after a blank, outside quotes.
std::string WithoutComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == '#' && !quoted && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
    }
    return line;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The next word, or a double-quoted text, taken from the front of `rest`.
std::string TakeWord(std::string& rest) {
    rest = Trim(rest);
    std::string word;
    size_t end = 0;
    if (!rest.empty() && rest[0] == '"') {
        end = rest.find('"', 1);
        word = rest.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        end = end == std::string::npos ? rest.size() : end + 1;
    } else {
        end = rest.find_first_of(" \t");
        if (end == std::string::npos) end = rest.size();
        word = rest.substr(0, end);
    }
    rest = Trim(rest.substr(end));
    return word;
}

// Verbs and what they take. Columns: verb, takes an item, takes a text.
struct VerbShape {
    const char* verb;
    bool item;
    bool text;
};
constexpr VerbShape kVerbs[] = {
    {"click", true, false},  {"choose", true, true}, {"type", true, true},   {"focus", true, false},
    {"leave", false, false}, {"enter", false, false}, {"escape", false, false}, {"close", false, false},
    {"render", false, true},
};

const VerbShape* FindVerb(const std::string& verb) {
    for (const VerbShape& shape : kVerbs) {
        if (verb == shape.verb) return &shape;
    }
    return nullptr;
}

// Parses lines [at, end) into `actions` until an "end" closes the block.
bool ParseBlock(const std::vector<std::string>& lines, size_t& at, std::vector<ScriptAction>& actions,
                bool nested, std::string& error) {
    for (; at < lines.size(); ++at) {
        std::string rest = Trim(WithoutComment(lines[at]));
        const int line = static_cast<int>(at + 1);
        if (rest.empty()) continue;
        const std::string verb = TakeWord(rest);
        if (verb == "end") {
            if (nested) return true;
            error = "dialog script line " + std::to_string(line) + ": \"end\" without \"in\"";
            return false;
        }
        if (verb == "in") {
            if (actions.empty()) {
                error = "dialog script line " + std::to_string(line) + ": \"in\" must follow the action that opens the dialog";
                return false;
            }
            ModalBlock block{TakeWord(rest), {}};
            ++at;
            if (!ParseBlock(lines, at, block.actions, true, error)) return false;
            actions.back().modals.push_back(std::move(block));
            continue;
        }
        const VerbShape* shape = FindVerb(verb);
        ScriptAction action;
        action.line = line;
        action.verb = verb;
        if (shape != nullptr && shape->item) action.item = TakeWord(rest);
        if (shape != nullptr && shape->text) action.text = rest.size() > 1 && rest.front() == '"' && rest.back() == '"' ? rest.substr(1, rest.size() - 2) : rest;
        if (shape == nullptr || (shape->item && action.item.empty()) || (shape->text && action.text.empty()) ||
            (!shape->text && !rest.empty())) {
            error = "dialog script line " + std::to_string(line) + ": cannot read \"" + Trim(lines[at]) + "\"";
            return false;
        }
        actions.push_back(std::move(action));
    }
    if (!nested) return true;
    error = "dialog script: an \"in\" block has no \"end\"";
    return false;
}

std::string WithoutAmpersands(const std::string& text) {
    std::string plain;
    for (char c : text) {
        if (c != '&') plain += c;
    }
    return plain;
}

bool SameTextNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// A control by its number or by its caption (without the & of its shortcut).
// A label names the field that follows it, as its shortcut key does.
int ItemIdOf(const DialogDriver& dialog, const std::string& item) {
    if (item.find_first_not_of("0123456789") == std::string::npos) return std::atoi(item.c_str());
    plat::host::HostDialog* live = plat::host::AsDialog(dialog.Handle());
    if (live == nullptr) return 0;
    const auto& controls = live->controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!SameTextNoCase(WithoutAmpersands(controls[i]->text), item)) continue;
        if (controls[i]->kind != plat::host::ControlKind::Static) return controls[i]->id;
        for (size_t next = i + 1; next < controls.size(); ++next) {
            if (controls[next]->kind != plat::host::ControlKind::Static) return controls[next]->id;
        }
    }
    return 0;
}

bool Render(const DialogDriver& dialog, const std::string& path, std::string& problem) {
#if defined(KORVEX_SCAN_HAVE_RENDER)
    if (korvex::tools::RenderDialogPng(dialog.Handle(), path, problem)) {
        std::printf("Dialog %s drawn to %s\n", dialog.TemplateName().c_str(), path.c_str());
        return true;
    }
    return false;
#else
    (void)dialog;
    (void)path;
    problem = "this build draws no dialogs (it was built without Cairo)";
    return false;
#endif
}

void RunActions(const std::vector<ScriptAction>& actions, DialogDriver dialog, ScriptState& state,
                const std::function<bool()>& afterAction);

bool Perform(const ScriptAction& action, DialogDriver& dialog, ScriptState& state) {
    for (const ModalBlock& block : action.modals) {
        plat::host::ExpectModal(block.templateName, [&state, &block](DialogDriver modal) {
            RunActions(block.actions, modal, state, [] { return true; });
        });
    }
    const int id = action.item.empty() ? 0 : ItemIdOf(dialog, action.item);
    std::string problem;
    bool done = false;
    if (!action.item.empty() && (id == 0 || !dialog.Exists(id))) {
        problem = "the dialog has no control \"" + action.item + "\"";
    } else if (action.verb == "click") {
        done = dialog.Click(id);
    } else if (action.verb == "choose") {
        done = dialog.ChooseItem(id, action.text);
        if (!done) problem = "no item \"" + action.text + "\" to choose";
    } else if (action.verb == "type") {
        done = dialog.Type(id, action.text);
    } else if (action.verb == "focus") {
        done = dialog.Focus(id);
    } else if (action.verb == "leave") {
        done = dialog.Tab();
    } else if (action.verb == "enter") {
        done = dialog.Enter();
    } else if (action.verb == "escape") {
        done = dialog.Escape();
    } else if (action.verb == "close") {
        done = dialog.Close();
    } else if (action.verb == "render") {
        done = Render(dialog, action.text, problem);
    }
    if (done) return true;
    if (problem.empty()) problem = "the control does not take that input now (hidden, disabled or busy)";
    state.error = "dialog script line " + std::to_string(action.line) + " (" + action.verb +
                  (action.item.empty() ? "" : " " + action.item) + " in " + dialog.TemplateName() + "): " + problem;
    state.usage = true;
    return false;
}

void RunActions(const std::vector<ScriptAction>& actions, DialogDriver dialog, ScriptState& state,
                const std::function<bool()>& afterAction) {
    for (const ScriptAction& action : actions) {
        if (!state.error.empty()) return;
        if (!Perform(action, dialog, state)) return;
        if (!afterAction()) return;
    }
}

}  // namespace

bool CollectDialogScript(const std::vector<std::string>& actions, const std::string& scriptFile,
                         std::vector<std::string>& lines, std::string& error) {
    lines = actions;
    if (scriptFile.empty()) return true;
    std::ifstream in(scriptFile);
    if (!in) {
        error = "--ui-script: cannot read " + scriptFile;
        return false;
    }
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return true;
}

bool LoadDialogSession() {
    OnModuleLoad(&ModuleAnchor);
    if (!plat::host::RegisterInProcessModule("TWAIN_32.DLL", ManagerSymbol)) {
        std::fprintf(stderr, "%s: cannot stand in for the source manager\n", ApplicationName());
        return false;
    }
    AttachSourceManager(&InProcessManager);
    return true;
}

DialogOutcome RunDialog(const std::vector<std::string>& script,
                        const std::function<BatchResult()>& transfer) {
    DialogOutcome outcome;
    std::vector<ScriptAction> actions;
    size_t at = 0;
    ScriptState state;
    if (!ParseBlock(script, at, actions, false, state.error)) {
        std::fprintf(stderr, "%s: %s\n", ApplicationName(), state.error.c_str());
        outcome.ok = false;
        outcome.usage = true;
        return outcome;
    }
    plat::host::SetModalFallback([](DialogDriver modal, const std::string& name) {
        std::printf("The dialog %s opened without script actions for it: Esc pressed.\n", name.c_str());
        modal.Escape();
    });
    if (!EnableSource(true)) {
        outcome.ok = false;
        return outcome;
    }
    DialogDriver main = plat::host::FindOpenDialog("DC_SCANDLG");
    bool closed = false;
    // After every action of the main dialog: a scan it started is transferred,
    // a close it asked for ends the run.
    RunActions(actions, main, state, [&] {
        const TW_UINT16 message = NextNotification(nullptr, nullptr);
        if (message == MSG_XFERREADY) {
            ++outcome.batches;
            outcome.lastBatch = transfer();
            return outcome.lastBatch.end == BatchEnd::Complete || outcome.lastBatch.end == BatchEnd::Cancelled;
        }
        closed = message == MSG_CLOSEDSREQ;
        return !closed;
    });
    if (!state.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", ApplicationName(), state.error.c_str());
        outcome.ok = false;
        outcome.usage = state.usage;
    }
    if (plat::host::UnansweredModals() > 0) {
        std::fprintf(stderr, "%s: a modal dialog was left open by its script actions\n", ApplicationName());
    }
    outcome.closed = closed;
    if (!closed && outcome.batches == 0 && outcome.ok) std::printf("The dialog script ended without a scan.\n");
    plat::host::SetModalFallback(nullptr);
#if defined(KORVEX_SCAN_HAVE_RENDER)
    korvex::tools::ReleaseRendererCaches();
#endif
    if (Session.sourceEnabled && !DisableSource()) outcome.ok = false;
    return outcome;
}

const char* DialogScriptHelp() {
    return R"(Dialog script (--show-ui on Linux; one action a line, # starts a comment):
  click ITEM          press a button, check box or radio button
  choose ITEM TEXT    choose the item TEXT of a combo or list box
  type ITEM TEXT      replace the text of an edit field
  focus ITEM          click into a field
  leave               leave the field (Tab to the next one)
  enter | escape | close
  render FILE.png     draw the dialog as it is now
  in TEMPLATE         the actions up to "end" answer the modal dialog
    ...               TEMPLATE that the action before opens
  end
ITEM is a control's number or its caption ("Scan", "More Settings"; quote
captions with blanks). After each action a scan the dialog started is
transferred, and closing the dialog ends the run. The actions of --ui come
before those of --ui-script. On Windows the real dialog takes the user's input.
)";
}
