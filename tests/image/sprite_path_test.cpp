// Where the picture is looked for: the DLL's own directory as the module file
// name gives it, with only the backslash separating directories.

#include "sprite_load_fixture.h"

#include "heap_probe.h"

#include <cwchar>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct PathCase {
    std::string name;
    std::string moduleName;
    std::string picturePath;  // empty: no path can be built
};

void PrintTo(const PathCase& path, std::ostream* out)
{
    *out << path.moduleName.size() << " bytes: " << path.moduleName;
}

class SpritePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(SpritePath, BuiltFromTheModuleFileName)
{
    const PathCase& c = GetParam();
    const std::wstring moduleName = winstub::utf16FromUtf8(c.moduleName);
    std::vector<wchar_t> path(firstModuleNameCapacity + spriteFileNameLength, L'\0');
    std::wmemcpy(path.data(), moduleName.c_str(), moduleName.size());
    const int built = spritePathBesideModule(path.data(), firstModuleNameCapacity,
                                             static_cast<DWORD>(moduleName.size()));
    if (c.picturePath.empty()) {
        EXPECT_EQ(built, 0) << "built " << winstub::utf8FromUtf16(path.data());
    } else {
        ASSERT_EQ(built, 1);
        EXPECT_EQ(winstub::utf8FromUtf16(path.data()), c.picturePath);
    }
}

INSTANTIATE_TEST_SUITE_P(
    BackslashOnly, SpritePath,
    ::testing::Values(
        PathCase{"besideTheDll", "D:\\Apps\\Plugins\\vis_zel.dll", "D:\\Apps\\Plugins\\vis_zel.bmp"},
        PathCase{"driveRoot", "C:\\vis_zel.dll", "C:\\vis_zel.bmp"},
        PathCase{"noBackslashGivesTheBareName", "vis_zel.dll", "vis_zel.bmp"},
        PathCase{"forwardSlashesDoNotSeparate", "/usr/lib/winamp/vis_zel.dll", "vis_zel.bmp"},
        PathCase{"lastBackslashWins", "C:\\a/b\\c/vis_zel.dll", "C:\\a/b\\vis_zel.bmp"},
        // A letter outside the Basic Multilingual Plane is two UTF-16 units.
        PathCase{"scriptsBeyondTheCodePage", "C:\\音乐 Плеер\\emoji😀\\vis_zel.dll",
                 "C:\\音乐 Плеер\\emoji😀\\vis_zel.bmp"},
        // The picture's name is longer than this DLL's: the buffer still holds it.
        PathCase{"shortDllNameInAFullBuffer", "C:\\" + std::string(250, 'd') + "\\v.dll",
                 "C:\\" + std::string(250, 'd') + "\\vis_zel.bmp"},
        PathCase{"nameFillingTheBufferWasCutShort", "C:\\" + std::string(255, 'd') + "\\x", ""},
        PathCase{"noModuleName", "", ""}),
    [](const auto& test) { return test.param.name; });

// Folders the system's ANSI code page cannot spell, and a path longer than the
// 260 characters a first buffer holds: the picture beside the DLL loads from each.
TEST_F(SpriteLoadTest, PictureLoadsFromAFolderOfAnyNameAndLength)
{
    const std::string deep = std::string(120, 'a') + "/" + std::string(120, 'b') + "/" +
                             std::string(120, 'c');
    for (const std::string folder : {"Плагины", "插件", "emoji😀", "mixed Ä 日本 ë", deep.c_str()}) {
        SCOPED_TRACE(folder);
        const std::string directory = dir.path() + "/" + folder;
        std::filesystem::create_directories(directory);
        writeFile(directory + "/vis_zel.bmp", makeBmp(2, 2));
        winstub::reset();
        winstub::makeGlContextCurrent(16, 16);
        winstub::setModuleFileName(windowsPath(directory + "/vis_zel.dll"));

        heapProbe::start();
        EXPECT_EQ(loadSpriteOrWarn(), 0);
        heapProbe::stop();
        EXPECT_TRUE(winstub::messageBoxes().empty());
        ASSERT_EQ(winstub::openedPaths().size(), 1u);
        EXPECT_EQ(winstub::openedPaths()[0], windowsPath(directory + "/vis_zel.bmp"));
        for (const heapProbe::Allocation& allocation : heapProbe::allocations())
            EXPECT_TRUE(heapProbe::wasFreed(allocation.block)) << allocation.size << " bytes kept";
    }
}

// Windows gives no module a name of 32768 characters or more: asked for it in ever
// larger buffers, the name never fits and nothing is opened.
TEST_F(SpriteLoadTest, ModuleNameBeyondWindowsLimitIsRefused)
{
    winstub::setModuleFileName("C:\\" + std::string(40000, 'p') + "\\vis_zel.dll");
    heapProbe::start();
    const int result = loadSpriteOrWarn();
    heapProbe::stop();

    expectCleanFailure(result, 0, 1);
    EXPECT_EQ(winstub::callCount("_wopen"), 0);
    std::vector<std::int64_t> capacities;
    for (const winstub::Call& call : winstub::callsNamed("GetModuleFileNameW"))
        capacities.push_back(call.ints[1]);
    EXPECT_EQ(capacities, (std::vector<std::int64_t>{260, 520, 1040, 2080, 4160, 8320, 16640, 32768}));
    for (const heapProbe::Allocation& allocation : heapProbe::allocations())
        EXPECT_TRUE(heapProbe::wasFreed(allocation.block)) << allocation.size << " bytes kept";
}

TEST_F(SpriteLoadTest, LargerBufferThatCannotBeHadFailsTheLoad)
{
    winstub::setModuleFileName(windowsPath(dir.path() + "/" + std::string(250, 'n') + ".dll"));
    heapProbe::start(1);
    const int result = loadSpriteOrWarn();
    heapProbe::stop();

    expectCleanFailure(result, 0, 1);
    EXPECT_EQ(winstub::callCount("GetModuleFileNameW"), 1);
    EXPECT_EQ(winstub::callCount("_wopen"), 0);
}

TEST_F(SpriteLoadTest, ModuleNameAsksTheHostsModuleHandle)
{
    loadSpriteOrWarn();
    const auto calls = winstub::callsNamed("GetModuleFileNameW");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].ints[0], winstub::handleValue(winstub::dllInstance()));
    EXPECT_EQ(calls[0].ints[1], firstModuleNameCapacity);
}

// The working directory is the process's; the guard puts it back.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path) : saved_(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() { std::filesystem::current_path(saved_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path saved_;
};

TEST_F(SpriteLoadTest, ModuleNameWithoutBackslashReadsFromTheWorkingDirectory)
{
    placePicture(makeBmp(2, 2));
    winstub::setModuleFileName(dir.path() + "/vis_zel.dll");  // slashes only
    const WorkingDirectory inPictureDirectory(dir.path());

    EXPECT_EQ(loadSpriteOrWarn(), 0);
    ASSERT_EQ(winstub::openedPaths().size(), 1u);
    EXPECT_EQ(winstub::openedPaths()[0], "vis_zel.bmp");
}

} // namespace
