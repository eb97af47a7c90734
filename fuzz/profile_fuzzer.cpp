// The host profile-file reader and writer over arbitrary file contents, and
// the settings over an arbitrary KORVEX32.INI: loaded and saved again, and
// read at the open of a source whose every capability is then asked for.
// Input: a choice byte (buffer size, model), then a section name, a key name
// and a value, each ended by '\n', then the file's bytes.
#include <cstring>
#include <string>

#include "fuzz/fuzz_common.h"
#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "tests/support/fake_aspi.h"
#include "twain/dispatch.h"
#include "settings/settings_file.h"
#include "twain/source_state.h"

namespace {

constexpr const char* kFile = "FUZZ.INI";
const uint32_t kBufferSizes[] = {0, 1, 2, 3, 8, 64, 300};
const char* const kModels[] = {"ZR-DX961", "ZR-DX83", "ZR-DX73PX", "ZR-DX960s"};

std::string Line(fuzz::InputReader& input) {
    std::string text;
    while (input.size != 0) {
        char c = static_cast<char>(input.Byte());
        if (c == '\n') break;
        text.push_back(c);
    }
    return text;
}

void Read(const char* section, const char* key, uint32_t bufferSize) {
    char buffer[300];
    plat::ProfileGetString(section, key, "default", buffer, bufferSize, kFile);
    plat::ProfileGetInt(section, key, -7, kFile);
}

void AskEveryCapabilityOfAnOpenSource(const char* model) {
    RestoreLoadState();
    fake_aspi::Install();
    fake_aspi::AddDevice(0, 0, 6, "T.S.E.", model);
    TW_IDENTITY app{};
    app.Id = 1;
    app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(app.ProductName, "Fuzz");
    alignas(4) TW_IDENTITY source{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    source.Id = 2;
    if (DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) != TWRC_SUCCESS) return;
    for (TW_UINT16 capId : fuzz::kCapabilities) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
            TW_CAPABILITY cap{capId, TWON_DONTCARE16, nullptr};
            DS_Entry(&app, DG_CONTROL, DAT_CAPABILITY, msg, &cap);
            if (cap.hContainer != nullptr) plat::MemFree(static_cast<plat::MemHandle>(cap.hContainer));
        }
    }
    DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    UnloadAspi();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input{data, size};
    uint8_t choice = input.Byte();
    uint32_t bufferSize = kBufferSizes[choice % (sizeof kBufferSizes / sizeof kBufferSizes[0])];
    const char* model = kModels[(choice >> 4) % (sizeof kModels / sizeof kModels[0])];
    std::string section = Line(input);
    std::string key = Line(input);
    std::string value = Line(input);

    RestoreLoadState();
    plat::host::ResetHostHooks();
    fuzz::UseTempWindowsDirectory();

    // The settings file.
    fuzz::WriteWindowsFile(kSettingsFileName, input.data, input.size);
    std::strncpy(ModelName, model, sizeof ModelName - 1);
    ModelName[sizeof ModelName - 1] = '\0';
    if (ApplyModel() == 1) {
        SettingsFileIsValid();
        LoadSettings();
        LoadEndorserSettings();
        SaveSettings();
        SaveEndorserSettings();
        SaveFreeSizes();
    }
    fuzz::WriteWindowsFile(kSettingsFileName, input.data, input.size);
    AskEveryCapabilityOfAnOpenSource(model);

    // The profile calls on the same bytes.
    fuzz::WriteWindowsFile(kFile, input.data, input.size);
    const char* sections[] = {section.c_str(), "Image", "Inifile", "Endorser", ""};
    for (const char* name : sections) {
        Read(name, key.c_str(), bufferSize);
        Read(name, "Page", bufferSize);
        Read(name, nullptr, bufferSize);
    }
    Read(nullptr, nullptr, bufferSize);
    plat::ProfileWriteString(section.c_str(), key.c_str(), value.c_str(), kFile);
    Read(section.c_str(), key.c_str(), bufferSize);
    plat::ProfileWriteString("Image", key.c_str(), value.c_str(), kFile);
    plat::ProfileWriteString(section.c_str(), key.c_str(), nullptr, kFile);
    plat::ProfileWriteString(section.c_str(), nullptr, nullptr, kFile);
    Read(nullptr, nullptr, bufferSize);
    plat::host::DrainBlockQuarantine();
    return 0;
}
