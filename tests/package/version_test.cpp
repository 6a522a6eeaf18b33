// The project's one version, as a user meets it: printed by
// corvane-host --version and, on Windows, in corvane.dll's VERSIONINFO.
#include <gtest/gtest.h>

#include <string>

#include "LoadedLibrary.h"
#include "tools/common/ChildProcess.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace {

/// What corvane-host --version prints after its name.
std::string hostVersion() {
    const ChildOutcome outcome = runProgram(programFolder() + "/" + CORVANE_HOST_FILE, {"--version"});
    EXPECT_TRUE(outcome.exited && outcome.exitCode == 0) << outcome.ending << outcome.output;
    const std::string prefix = "corvane-host ";
    if (outcome.output.rfind(prefix, 0) != 0 || outcome.output.back() != '\n') {
        ADD_FAILURE() << "unexpected output: " << outcome.output;
        return {};
    }
    return outcome.output.substr(prefix.size(), outcome.output.size() - prefix.size() - 1);
}

}  // namespace

TEST(Version, HostPrintsTheProjectVersion) { EXPECT_EQ(hostVersion(), CORVANE_VERSION); }

#ifdef _WIN32
namespace {

/// The DLL's VERSIONINFO resource, read as a host or Explorer reads it.
class VersionInfo {
public:
    explicit VersionInfo(const std::wstring& file) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        if (size == 0) return;
        block.resize(size);
        if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) block.clear();
    }
    bool found() const { return !block.empty(); }

    /// FILEVERSION and PRODUCTVERSION as "a.b.c.d".
    std::pair<std::string, std::string> fixedVersions() const {
        void* data = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), L"\\", &data, &length) || length < sizeof(VS_FIXEDFILEINFO)) return {};
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
        return {dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
                dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS)};
    }

    /// A text of the US English, Unicode string table.
    std::string text(const wchar_t* name) const {
        void* data = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), &data, &length) || length == 0) return "(missing)";
        const std::wstring wide(static_cast<const wchar_t*>(data));
        return std::string(wide.begin(), wide.end());
    }

private:
    static std::string dotted(DWORD high, DWORD low) {
        return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) +
               "." + std::to_string(LOWORD(low));
    }
    std::vector<char> block;
};

}  // namespace

TEST(Version, DllVersionInfoMatchesTheHost) {
    const std::string version = hostVersion();
    const std::string path = builtLibraryPath();
    const VersionInfo info(std::wstring(path.begin(), path.end()));
    ASSERT_TRUE(info.found()) << "no VERSIONINFO in " << path;
    EXPECT_EQ(info.text(L"FileVersion"), version);
    EXPECT_EQ(info.text(L"ProductVersion"), version);
    EXPECT_EQ(info.fixedVersions().first, version + ".0");
    EXPECT_EQ(info.fixedVersions().second, version + ".0");
    EXPECT_EQ(info.text(L"ProductName"), "Corvane");
    EXPECT_EQ(info.text(L"OriginalFilename"), CORVANE_LIBRARY_FILE);
    EXPECT_NE(info.text(L"FileDescription"), "(missing)");
}
#endif
