// korvex-scan --show-ui: a scan with the source's own dialog. On Windows the
// real dialog takes the user's input through the program's message loop. On
// Linux the source runs inside korvex-scan, so that its headless dialogs live
// in this process's window model, and a script of user actions drives them
// (and can draw them as PNG files).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "apps/twain_app/page_transfer.h"

struct DialogOutcome {
    bool ok = true;         // false: a TWAIN failure or a script that could not be followed
    bool usage = false;     // the script itself is wrong
    bool closed = false;    // the dialog asked to be closed
    int batches = 0;        // batches the dialog started
    BatchResult lastBatch;  // the last batch's end
};

// The script's lines: from --ui options and --ui-script files, in that order.
// False with `error` set when a file cannot be read.
bool CollectDialogScript(const std::vector<std::string>& actions, const std::string& scriptFile,
                         std::vector<std::string>& lines, std::string& error);

// Loads the manager, or on Linux stands in for it with the source linked into
// the program. False when nothing can be loaded (the reason is printed).
bool LoadDialogSession();

// Enables the open source with its dialog and follows the user (or the
// script) until the dialog is closed or the script is done; every batch the
// dialog starts is run by `transfer`.
DialogOutcome RunDialog(const std::vector<std::string>& script,
                        const std::function<BatchResult()>& transfer);

// The help text of the script language.
const char* DialogScriptHelp();
