// Module loading: Windows names mapped to shared objects, the search order,
// in-process modules and injected failures.
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/host/host_hooks.h"
#include "tests/unit/platform/platform_fixture.h"

namespace {

namespace fs = std::filesystem;

class ModulesTest : public PlatformTest {};

TEST_F(ModulesTest, MapsWindowsNamesToSharedObjects) {
    struct Case {
        const char* windowsName;
        const char* mapped;
    } const cases[] = {
        {"WNASPI32.DLL", "wnaspi32.so"},
        {"TWAIN_32.DLL", "twain_32.so"},
        {"wnaspi32", "wnaspi32.so"},      // no extension: one is added
        {"KORVEX32.ds", "korvex32.ds"},   // other extensions stay
        {"Odd.Name.Dll", "odd.name.so"},
    };
    for (const Case& c : cases) {
        char buffer[64];
        ASSERT_TRUE(plat::host::MapModuleName(c.windowsName, buffer, sizeof buffer)) << c.windowsName;
        EXPECT_STREQ(buffer, c.mapped);
    }
    char small[8];
    EXPECT_FALSE(plat::host::MapModuleName("TWAIN_32.DLL", small, sizeof small));
    EXPECT_FALSE(plat::host::MapModuleName("", small, sizeof small));
    EXPECT_FALSE(plat::host::MapModuleName(nullptr, small, sizeof small));
}

int FakeSupportInfo() { return 0x0101; }

void* FakeAspi(const char* symbol) {
    if (std::string(symbol) == "GetASPI32SupportInfo") return reinterpret_cast<void*>(&FakeSupportInfo);
    return nullptr;
}

TEST_F(ModulesTest, InProcessModuleStandsInWithoutDlopen) {
    ASSERT_TRUE(plat::host::RegisterInProcessModule("WNASPI32.DLL", &FakeAspi));
    plat::ModuleHandle module = plat::LoadModule("wnaspi32.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(plat::FindSymbol(module, "GetASPI32SupportInfo"), reinterpret_cast<void*>(&FakeSupportInfo));
    EXPECT_EQ(plat::FindSymbol(module, "SendASPI32Command"), nullptr);
    EXPECT_EQ(plat::FindSymbol(module, nullptr), nullptr);
    plat::FreeModule(module);

    // Once unregistered the name no longer resolves in-process (a module of
    // that name may still be found on disk, next to the test program).
    plat::host::UnregisterInProcessModule("WNASPI32.DLL");
    plat::ModuleHandle again = plat::LoadModule("WNASPI32.DLL");
    EXPECT_NE(plat::FindSymbol(again, "GetASPI32SupportInfo"), reinterpret_cast<void*>(&FakeSupportInfo));
    plat::FreeModule(again);
}

TEST_F(ModulesTest, InjectedLoadFailure) {
    ASSERT_TRUE(plat::host::RegisterInProcessModule("WNASPI32.DLL", &FakeAspi));
    plat::host::FailNextCalls(plat::host::HostService::ModuleLoad, 1);
    EXPECT_EQ(plat::LoadModule("WNASPI32.DLL"), nullptr);
    EXPECT_NE(plat::LoadModule("WNASPI32.DLL"), nullptr);
}

TEST_F(ModulesTest, BadNamesLoadNothing) {
    EXPECT_EQ(plat::LoadModule(nullptr), nullptr);
    EXPECT_EQ(plat::LoadModule(""), nullptr);
    EXPECT_EQ(plat::FindSymbol(nullptr, "x"), nullptr);
    plat::FreeModule(nullptr);
}

// A shared object that no test has loaded, copied under a Windows module's
// mapped name; skipped where the system has none.
std::string SampleSharedObject() {
    for (const char* candidate : {"/usr/lib/x86_64-linux-gnu/libz.so.1", "/lib/x86_64-linux-gnu/libz.so.1",
                                  "/usr/lib64/libz.so.1"}) {
        if (fs::exists(candidate)) return candidate;
    }
    return {};
}

std::string LoadedPath(void* symbol) {
    Dl_info info{};
    if (symbol == nullptr || dladdr(symbol, &info) == 0 || info.dli_fname == nullptr) return {};
    return fs::weakly_canonical(info.dli_fname).string();
}

TEST_F(ModulesTest, SearchesCallerDirectoryThenWindowsDirectory) {
    const std::string sample = SampleSharedObject();
    if (sample.empty()) GTEST_SKIP() << "no sample shared object";
    char callerDir[4096];
    ASSERT_TRUE(plat::host::CallerModuleDirectory(callerDir, sizeof callerDir));
    EXPECT_EQ(fs::path(callerDir), fs::canonical("/proc/self/exe").parent_path());

    // Only in the Windows directory, under a name of another case.
    fs::copy_file(sample, PathOf("KvxProbeA.so"));
    plat::ModuleHandle module = plat::LoadModule("KVXPROBEA.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadedPath(plat::FindSymbol(module, "zlibVersion")),
              fs::weakly_canonical(PathOf("KvxProbeA.so")).string());
    plat::FreeModule(module);

    // In both: the caller's directory wins.
    const fs::path besideCaller = fs::path(callerDir) / "kvxprobeb.so";
    fs::copy_file(sample, besideCaller, fs::copy_options::overwrite_existing);
    fs::copy_file(sample, PathOf("kvxprobeb.so"));
    module = plat::LoadModule("KVXPROBEB.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadedPath(plat::FindSymbol(module, "zlibVersion")), fs::weakly_canonical(besideCaller).string());
    plat::FreeModule(module);
    fs::remove(besideCaller);
}

}  // namespace
