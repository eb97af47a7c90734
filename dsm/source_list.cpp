// Finding the sources: the source directories, the *.ds modules in them and
// the identity each one reports.
#include "dsm/source_list.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"

SourceEntry SourceList[kMaxSources];
int SourceCount = 0;

namespace {

namespace fs = std::filesystem;

constexpr const char* kSourceSubdirectory = "twain_32";
constexpr const char* kDefaultSourceFile = "win.ini";
constexpr const char* kDefaultSourceSection = "TWAIN";
constexpr const char* kDefaultSourceKey = "Default Source";

bool CopyPath(char (&to)[kMaxSourcePath], const std::string& from) {
    if (from.size() >= sizeof to) return false;
    std::memcpy(to, from.c_str(), from.size() + 1);
    return true;
}

// The real path of an existing directory, or an empty path.
fs::path RealDirectory(const fs::path& candidate) {
    std::error_code error;
    if (!fs::is_directory(candidate, error)) return {};
    fs::path real = fs::canonical(candidate, error);
    return error ? fs::path{} : real;
}

bool HasSourceExtension(const fs::path& file) {
    std::string extension = file.extension().string();
    return extension.size() == 3 && extension[0] == '.' && (extension[1] | 0x20) == 'd' &&
           (extension[2] | 0x20) == 's';
}

// The *.ds files of one directory, in name order.
std::vector<fs::path> SourceFilesIn(const char* directory) {
    std::vector<fs::path> files;
    std::error_code error;
    fs::directory_iterator it(directory, error);
    if (error) return files;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) break;
        if (!HasSourceExtension(it->path())) continue;
        std::error_code kindError;
        if (!it->is_regular_file(kindError)) continue;
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool AlreadyListed(const char* path) {
    for (int i = 0; i < SourceCount; ++i) {
        if (std::strcmp(SourceList[i].path, path) == 0) return true;
    }
    return false;
}

// Asks the module at `path` for its identity; false when it is not a source.
bool ReadSourceIdentity(const char* path, TW_IDENTITY& identity) {
    dsm::SourceModule module = dsm::OpenSourceModule(path);
    if (module == nullptr) return false;
    auto entry = reinterpret_cast<DSENTRYPROC>(dsm::FindModuleSymbol(module, "DS_Entry"));
    bool listed = false;
    if (entry != nullptr) {
        TW_IDENTITY reported{};
        if (entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &reported) == TWRC_SUCCESS) {
            CopyIdentity(identity, reported);
            listed = true;
        }
    }
    dsm::CloseSourceModule(module);
    return listed;
}

}  // namespace

int SourceDirectories(char (*directories)[kMaxSourcePath], int capacity) {
    fs::path candidates[2];
    char buffer[kMaxSourcePath];
    if (plat::host::WindowsDirectory(buffer, sizeof buffer)) {
        candidates[0] = fs::path(buffer) / kSourceSubdirectory;
    }
    // This copy of the platform layer lives in twain_32.so itself.
    if (plat::host::CallerModuleDirectory(buffer, sizeof buffer)) candidates[1] = buffer;

    int count = 0;
    for (const fs::path& candidate : candidates) {
        if (candidate.empty() || count >= capacity) continue;
        fs::path real = RealDirectory(candidate);
        if (real.empty()) continue;
        bool seen = false;
        for (int i = 0; i < count; ++i) seen = seen || real == directories[i];
        if (!seen && CopyPath(directories[count], real.string())) ++count;
    }
    return count;
}

void ScanSources() {
    SourceCount = 0;
    char directories[2][kMaxSourcePath];
    int directoryCount = SourceDirectories(directories, 2);
    for (int d = 0; d < directoryCount; ++d) {
        for (const fs::path& file : SourceFilesIn(directories[d])) {
            if (SourceCount >= kMaxSources) return;
            std::error_code error;
            fs::path real = fs::canonical(file, error);
            if (error) continue;
            SourceEntry& entry = SourceList[SourceCount];
            if (!CopyPath(entry.path, real.string()) || AlreadyListed(entry.path)) continue;
            if (ReadSourceIdentity(entry.path, entry.identity)) ++SourceCount;
        }
    }
}

bool SameStr32(const TW_STR32& a, const TW_STR32& b) {
    return std::strncmp(a, b, sizeof(TW_STR32)) == 0;
}

void CopyIdentity(TW_IDENTITY& to, const TW_IDENTITY& from) {
    std::memcpy(&to, &from, sizeof to);
    to.Version.Info[sizeof(TW_STR32) - 1] = '\0';
    to.Manufacturer[sizeof(TW_STR32) - 1] = '\0';
    to.ProductFamily[sizeof(TW_STR32) - 1] = '\0';
    to.ProductName[sizeof(TW_STR32) - 1] = '\0';
}

int FindSourceByProductName(const TW_STR32& productName) {
    for (int i = 0; i < SourceCount; ++i) {
        if (SameStr32(SourceList[i].identity.ProductName, productName)) return i;
    }
    return -1;
}

int DefaultSourceIndex() {
    if (SourceCount == 0) return -1;
    TW_STR32 wanted{};
    plat::ProfileGetString(kDefaultSourceSection, kDefaultSourceKey, "", wanted, sizeof wanted,
                           kDefaultSourceFile);
    int named = wanted[0] != '\0' ? FindSourceByProductName(wanted) : -1;
    return named >= 0 ? named : 0;
}

void ResetSourceListState() {
    std::memset(SourceList, 0, sizeof SourceList);
    SourceCount = 0;
}
