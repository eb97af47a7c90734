// The fixture of the end-to-end tests that run the source against the virtual
// scanner module: a scenario file written into the sandboxed Windows directory
// with its command log beside it, and the logged commands read back.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

class ScannerScenarioTest : public ManagerTest {
protected:
    // Writes vscanner.ini: a [Manager] section with `manager` and a command log
    // in the sandbox, then `devices`.
    void WriteScenario(const std::string& manager, const std::string& devices) {
        logPath = windowsDirectory / "vscanner.log";
        WriteWindowsFile("vscanner.ini", "[Manager]\n" + manager + "CommandLog=" +
                                             logPath.string() + "\n\n" + devices);
    }

    // One line per SCSI command: "ha=1 tgt=5 lun=0 cdb=... status=.. targ=.. sense=.. in=.. out=..".
    std::vector<std::string> LoggedCommands() const {
        std::vector<std::string> lines;
        std::ifstream in(logPath);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // The logged lines whose command block starts with `cdbPrefix` ("28 00 81").
    std::vector<std::string> LoggedWith(const std::string& cdbPrefix) const {
        std::vector<std::string> found;
        for (const std::string& line : LoggedCommands()) {
            if (line.find("cdb=" + cdbPrefix) != std::string::npos) found.push_back(line);
        }
        return found;
    }

    std::filesystem::path logPath;
};
