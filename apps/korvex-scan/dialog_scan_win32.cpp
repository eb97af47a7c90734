// --show-ui on Windows: the source's real dialog, fed by the program's message
// loop through MSG_PROCESSEVENT until it announces a scan or asks to be closed.
#include <windows.h>

#include <cstdio>
#include <fstream>

#include "apps/korvex-scan/dialog_scan.h"
#include "apps/twain_app/twain_session.h"

bool CollectDialogScript(const std::vector<std::string>& actions, const std::string& scriptFile,
                         std::vector<std::string>& lines, std::string& error) {
    lines = actions;
    if (!actions.empty() || !scriptFile.empty()) {
        error = "--ui and --ui-script drive the Linux build's dialogs; on Windows the dialog takes your input";
        return false;
    }
    return true;
}

bool LoadDialogSession() { return LoadSourceManager(); }

DialogOutcome RunDialog(const std::vector<std::string>&, const std::function<BatchResult()>& transfer) {
    DialogOutcome outcome;
    if (!EnableSource(true)) {
        outcome.ok = false;
        return outcome;
    }
    for (bool running = true; running;) {
        MSG message{};
        bool sourceEvent = false;
        TW_UINT16 notification = MSG_NULL;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) break;
            notification = NextNotification(&message, &sourceEvent);
            if (!sourceEvent) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        } else {
            // A notification may wait for the next event: an idle poll asks.
            notification = NextNotification(nullptr, nullptr);
            if (notification == MSG_NULL) Sleep(10);
        }
        if (notification == MSG_XFERREADY) {
            ++outcome.batches;
            outcome.lastBatch = transfer();
            running = outcome.lastBatch.end == BatchEnd::Complete || outcome.lastBatch.end == BatchEnd::Cancelled;
        } else if (notification == MSG_CLOSEDSREQ) {
            outcome.closed = true;
            running = false;
        }
    }
    if (Session.sourceEnabled && !DisableSource()) outcome.ok = false;
    return outcome;
}

const char* DialogScriptHelp() {
    return "--show-ui shows the source's dialog; the scan starts with its Scan button and ends when the "
           "dialog is closed.\n";
}
