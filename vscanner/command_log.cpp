// The command log of the virtual scanner.
#include "vscanner/command_log.h"

#include <cstdio>

#include "vscanner/vs_os.h"

namespace vscan {

namespace {
std::vector<LoggedCommand> gLog;
std::string gLogFile;

void AppendHex(std::string& text, const std::vector<uint8_t>& bytes) {
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += digits;
    }
}
}  // namespace

std::string FormatLoggedCommand(const LoggedCommand& entry) {
    char head[64];
    std::snprintf(head, sizeof head, "ha=%u tgt=%u lun=%u cdb=", entry.adapter, entry.target,
                  entry.lun);
    std::string text = head;
    AppendHex(text, entry.cdb);
    char tail[96];
    std::snprintf(tail, sizeof tail, " status=%02X targ=%02X sense=%02X/%02X/%02X in=%u out=",
                  entry.aspiStatus, entry.targetStatus, entry.senseKey, entry.asc, entry.ascq,
                  entry.bytesIn);
    text += tail;
    if (entry.dataOut.empty()) {
        text += "-";
    } else {
        AppendHex(text, entry.dataOut);
    }
    return text;
}

void AppendLoggedCommand(const LoggedCommand& entry) {
    gLog.push_back(entry);
    if (gLogFile.empty()) return;
    if (std::FILE* file = std::fopen(gLogFile.c_str(), "a")) {
        const std::string line = FormatLoggedCommand(entry);
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

std::vector<LoggedCommand> CommandLog() {
    BusLockGuard guard;
    return gLog;
}

void ClearCommandLog() {
    BusLockGuard guard;
    gLog.clear();
}

void SetCommandLogFile(const std::string& path) {
    BusLockGuard guard;
    gLogFile = path;
}

}  // namespace vscan
