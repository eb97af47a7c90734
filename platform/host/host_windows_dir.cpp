// The "Windows directory" of the Linux backend, where profile files live and
// where LoadModule looks second: set by a hook, else $KORVEX_WINDIR, else
// $HOME/.korvex/windows. Nothing else in the product reads that variable.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_internal.h"

namespace plat::host {

namespace {

char DirectoryOverride[kMaxPath];

bool IsDirectory(const char* path) {
    struct stat info{};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const char* path) {
    struct stat info{};
    return stat(path, &info) == 0;
}

}  // namespace

void SetWindowsDirectory(const char* directory) {
    if (directory == nullptr || !CopyBounded(DirectoryOverride, kMaxPath, directory)) {
        DirectoryOverride[0] = '\0';
    }
}

void ResetWindowsDirectory() { DirectoryOverride[0] = '\0'; }

bool WindowsDirectory(char* buffer, uint32_t bufferSize) {
    if (DirectoryOverride[0] != '\0') return CopyBounded(buffer, bufferSize, DirectoryOverride);
    const char* fromEnvironment = std::getenv("KORVEX_WINDIR");
    if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
        return CopyBounded(buffer, bufferSize, fromEnvironment);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return false;
    if (buffer == nullptr || bufferSize == 0) return false;
    const int written = std::snprintf(buffer, bufferSize, "%s/.korvex/windows", home);
    return written > 0 && static_cast<uint32_t>(written) < bufferSize;
}

bool CreateWindowsDirectory() {
    char path[kMaxPath];
    if (!WindowsDirectory(path, sizeof path)) return false;
    if (IsDirectory(path)) return true;
    // Create each missing parent in turn.
    for (char* slash = std::strchr(path + 1, '/'); slash != nullptr;
         slash = std::strchr(slash + 1, '/')) {
        *slash = '\0';
        if (!IsDirectory(path) && mkdir(path, 0755) != 0 && errno != EEXIST) return false;
        *slash = '/';
    }
    return IsDirectory(path) || mkdir(path, 0755) == 0 || errno == EEXIST;
}

bool WindowsFilePath(const char* name, char* path, uint32_t pathSize) {
    if (name == nullptr || name[0] == '\0') return false;
    if (std::strchr(name, '/') != nullptr) return CopyBounded(path, pathSize, name);
    char directory[kMaxPath];
    if (!WindowsDirectory(directory, sizeof directory)) return false;
    const int written = std::snprintf(path, pathSize, "%s/%s", directory, name);
    if (written <= 0 || static_cast<uint32_t>(written) >= pathSize) return false;
    if (FileExists(path)) return true;
    DIR* listing = opendir(directory);
    if (listing == nullptr) return true;
    while (const dirent* entry = readdir(listing)) {
        if (strcasecmp(entry->d_name, name) == 0) {
            std::snprintf(path, pathSize, "%s/%s", directory, entry->d_name);
            break;
        }
    }
    closedir(listing);
    return true;
}

}  // namespace plat::host
