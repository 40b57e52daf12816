// Where the picture is looked for: the DLL's own directory as the module file
// name gives it, with only the backslash separating directories.

#include "sprite_load_fixture.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct PathCase {
    std::string name;
    std::string moduleName;
    std::string picturePath;  // empty: no path can be built
};

void PrintTo(const PathCase& path, std::ostream* out)
{
    *out << path.moduleName.size() << " characters: " << path.moduleName;
}

class SpritePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(SpritePath, BuiltFromTheModuleFileName)
{
    const PathCase& c = GetParam();
    char path[spritePathCapacity] = {};
    std::strncpy(path, c.moduleName.c_str(), spritePathCapacity - 1);
    const int built = spritePathBesideModule(path, static_cast<DWORD>(c.moduleName.size()));
    if (c.picturePath.empty()) {
        EXPECT_EQ(built, 0) << "built " << path;
    } else {
        ASSERT_EQ(built, 1);
        EXPECT_EQ(std::string(path), c.picturePath);
    }
}

// A directory of 248 characters with its backslash leaves room for the name and
// the terminator (260 bytes in all); one more does not.
const std::string longestDirectory = "C:\\" + std::string(244, 'd') + "\\";

INSTANTIATE_TEST_SUITE_P(
    BackslashOnly, SpritePath,
    ::testing::Values(
        PathCase{"besideTheDll", "D:\\Apps\\Plugins\\vis_zel.dll", "D:\\Apps\\Plugins\\vis_zel.bmp"},
        PathCase{"driveRoot", "C:\\vis_zel.dll", "C:\\vis_zel.bmp"},
        PathCase{"noBackslashGivesTheBareName", "vis_zel.dll", "vis_zel.bmp"},
        PathCase{"forwardSlashesDoNotSeparate", "/usr/lib/winamp/vis_zel.dll", "vis_zel.bmp"},
        PathCase{"lastBackslashWins", "C:\\a/b\\c/vis_zel.dll", "C:\\a/b\\vis_zel.bmp"},
        PathCase{"longestThatFits", longestDirectory + "x.dll", longestDirectory + "vis_zel.bmp"},
        PathCase{"directoryTooLong", "C:\\" + std::string(245, 'd') + "\\x.dll", ""},
        PathCase{"noModuleName", "", ""}),
    [](const auto& test) { return test.param.name; });

TEST(SpritePath, NameCutShortByTheBufferIsRefused)
{
    // GetModuleFileNameA answers the buffer size when the name did not fit.
    char path[spritePathCapacity];
    std::memset(path, 'a', sizeof path);
    path[2] = '\\';
    path[spritePathCapacity - 1] = '\0';
    EXPECT_EQ(spritePathBesideModule(path, spritePathCapacity), 0);
}

TEST_F(SpriteLoadTest, ModuleNameTooLongOpensNothing)
{
    winstub::setModuleFileName("C:\\" + std::string(300, 'p') + "\\vis_zel.dll");
    const int result = loadSpriteOrWarn();
    expectCleanFailure(result, 0, 1);
    EXPECT_EQ(winstub::callCount("_open"), 0);
}

TEST_F(SpriteLoadTest, ModuleNameAsksTheHostsModuleHandle)
{
    loadSpriteOrWarn();
    const auto calls = winstub::callsNamed("GetModuleFileNameA");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].ints[0], winstub::handleValue(winstub::dllInstance()));
    EXPECT_EQ(calls[0].ints[1], spritePathCapacity);
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
