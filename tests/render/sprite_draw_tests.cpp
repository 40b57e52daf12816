// One sprite's drawing and the frame's queue of sprites: the calls a sprite makes
// and the state it leaves, which face and texture the viewer sees, the order the
// queue is drawn in, and what a freeing draw and a failed allocation do to it.

#include "render_fixture.h"

#include "heap_probe.h"

#include "render/gl_api.h"
#include "render/scene.h"
#include "render/sprite_queue.h"
#include "render/view.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using glCallLog::describe;
using glCallLog::describeAll;

constexpr GLuint orangeTexture = 100;
constexpr GLuint tealTexture = 101;
constexpr Rgb orange{200, 100, 50};
constexpr Rgb teal{40, 160, 200};

void makeSolidTexture(GLuint name, Rgb colour)
{
    std::array<unsigned char, 4 * 4 * 4> texels{};
    for (std::size_t i = 0; i < texels.size(); i += 4) {
        texels[i] = static_cast<unsigned char>(colour.r);
        texels[i + 1] = static_cast<unsigned char>(colour.g);
        texels[i + 2] = static_cast<unsigned char>(colour.b);
        texels[i + 3] = 255;
    }
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
}

// The corners of a sprite's quad, each a texture coordinate and a vertex.
void addQuad(std::vector<glCallLog::GlCall>& calls, double w, double h)
{
    calls.push_back({"glBegin", {GL_QUADS}});
    const std::array<std::array<double, 4>, 4> corners{{
        {1, 1, -w, -h},
        {1, 0, -w, +h},
        {0, 0, +w, +h},
        {0, 1, +w, -h},
    }};
    for (const auto& corner : corners) {
        calls.push_back({"glTexCoord2f", {corner[0], corner[1]}});
        calls.push_back({"glVertex3f", {corner[2], corner[3], 0}});
    }
    calls.push_back({"glEnd", {}});
}

std::array<GLfloat, 4> currentColour()
{
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    return colour;
}

std::vector<float> queuedXs()
{
    std::vector<float> xs;
    for (const SpriteQuad* node = spriteList; node != nullptr; node = node->next)
        xs.push_back(node->x);
    return xs;
}

std::vector<double> translatedXs()
{
    std::vector<double> xs;
    for (const glCallLog::GlCall& call : glCallLog::named("glTranslatef"))
        xs.push_back(call.args[0]);
    return xs;
}

void expectColourNear(Rgb actual, Rgb expected, const std::string& where)
{
    EXPECT_NEAR(actual.r, expected.r, 2) << where;
    EXPECT_NEAR(actual.g, expected.g, 2) << where;
    EXPECT_NEAR(actual.b, expected.b, 2) << where;
}

Rgb atNinetyNinePercent(Rgb colour)
{
    const auto scale = [](int channel) { return static_cast<int>(channel * 0.99 + 0.5); };
    return {scale(colour.r), scale(colour.g), scale(colour.b)};
}

class SpriteDrawTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        winstub::makeGlContextCurrent(64, 48);
        resizeView(64, 48);
        initGlState();
        makeSolidTexture(orangeTexture, orange);
        makeSolidTexture(tealTexture, teal);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    static Rgb centre() { return pixelAt(winstub::readFramebuffer(), 32, 24); }
};

TEST_F(SpriteDrawTest, MakesItsCallsInOrderWithEverySetUpAskedFor)
{
    const SpriteQuad sprite{.x = 1.0f,
                            .y = 2.0f,
                            .z = -13.0f,
                            .angleX = 10.0f,
                            .angleY = 20.0f,
                            .angleZ = 30.0f,
                            .halfWidth = 3.0f,
                            .halfHeight = 4.0f,
                            .blendSource = 0x301,
                            .blendDest = 0x307,
                            .alphaFunc = 0x204,
                            .noDepthWrite = 1,
                            .frontTexture = orangeTexture,
                            .backTexture = static_cast<int>(tealTexture),
                            .next = nullptr};
    glCallLog::start();
    drawSprite(sprite);
    glCallLog::stop();

    const double grey = 0.99f;
    std::vector<glCallLog::GlCall> expected{
        {"glLoadIdentity", {}},
        {"glTranslatef", {1, 2, -13}},
        {"glRotatef", {10, 1, 0, 0}},
        {"glRotatef", {20, 0, 1, 0}},
        {"glRotatef", {30, 0, 0, 1}},
        {"glDepthMask", {GL_FALSE}},
        {"glBlendFunc", {0x301, 0x307}},
        {"glEnable", {GL_BLEND}},
        {"glAlphaFunc", {0x204, 0}},
        {"glEnable", {GL_ALPHA_TEST}},
        {"glDisable", {GL_BLEND}},
        {"glColor4f", {grey, grey, grey, 1}},
        {"glEnable", {GL_CULL_FACE}},
        {"glBindTexture", {GL_TEXTURE_2D, orangeTexture}},
        {"glCullFace", {GL_BACK}},
    };
    addQuad(expected, 3, 4);
    expected.push_back({"glBindTexture", {GL_TEXTURE_2D, tealTexture}});
    expected.push_back({"glCullFace", {GL_FRONT}});
    addQuad(expected, 3, 4);
    const std::vector<glCallLog::GlCall> tail{
        {"glDisable", {GL_CULL_FACE}},
        {"glColor4f", {1, 1, 1, 1}},
        {"glDisable", {GL_BLEND}},
        {"glDisable", {GL_ALPHA_TEST}},
        {"glDepthMask", {GL_TRUE}},
    };
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(describeAll(glCallLog::calls()), describeAll(expected));

    // What it leaves behind for the next pass.
    EXPECT_EQ(integerState(GL_CULL_FACE_MODE), GL_FRONT);
    EXPECT_EQ(integerState(GL_ALPHA_TEST_FUNC), 0x204);
    EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(SpriteDrawTest, SetUpsNotAskedForAreLeftAlone)
{
    SpriteQuad sprite = sceneLikeSprite(0, 0, 8, orangeTexture);
    sprite.blendSource = -1;
    sprite.alphaFunc = -1;
    sprite.noDepthWrite = 0;
    glAlphaFunc(GL_LESS, 0.5f);
    glBlendFunc(GL_DST_COLOR, GL_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glCallLog::start();
    drawSprite(sprite);
    glCallLog::stop();

    EXPECT_EQ(glCallLog::count("glDepthMask"), 0);
    EXPECT_EQ(glCallLog::count("glAlphaFunc"), 0);
    EXPECT_EQ(glCallLog::count("glBlendFunc"), 0);
    const std::vector<std::string> calls = describeAll(glCallLog::calls());
    const auto has = [&](const std::string& call) {
        return std::ranges::find(calls, call) != calls.end();
    };
    EXPECT_FALSE(has(describe({"glEnable", {GL_BLEND}})));
    EXPECT_FALSE(has(describe({"glEnable", {GL_ALPHA_TEST}})));
    EXPECT_FALSE(has(describe({"glDisable", {GL_ALPHA_TEST}})));
    EXPECT_EQ(std::ranges::count(calls, describe({"glDisable", {GL_BLEND}})), 1)
        << "the quad is always drawn with blending off";
    EXPECT_EQ(integerState(GL_ALPHA_TEST_FUNC), GL_LESS);
    EXPECT_EQ(integerState(GL_BLEND_SRC), GL_DST_COLOR);
    EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), GL_FALSE);
}

struct BlendCase {
    const char* name;
    int blendDest;
    GLint destLeft;
};

class SpriteBlend : public SpriteDrawTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(SpriteBlend, QuadIsDrawnOpaqueAndOnlyTheBlendFunctionStays)
{
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SpriteQuad sprite = sceneLikeSprite(0, 0, 8, orangeTexture);
    sprite.blendSource = 0x301;
    sprite.blendDest = GetParam().blendDest;
    glCallLog::start();
    drawSprite(sprite);
    glCallLog::stop();

    expectColourNear(centre(), atNinetyNinePercent(orange), "centre of the quad");
    EXPECT_EQ(integerState(GL_BLEND_SRC), 0x301);
    EXPECT_EQ(integerState(GL_BLEND_DST), GetParam().destLeft);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // While the quad's vertices go out, the colour is a shade below white.
    const std::vector<glCallLog::GlCall>& calls = glCallLog::calls();
    const auto firstBegin = std::ranges::find_if(
        calls, [](const glCallLog::GlCall& call) { return call.name == "glBegin"; });
    const auto lastColour = std::find_if(
        std::make_reverse_iterator(firstBegin), calls.rend(),
        [](const glCallLog::GlCall& call) { return call.name == "glColor4f"; });
    ASSERT_NE(lastColour, calls.rend());
    EXPECT_EQ(lastColour->args, (std::vector<double>{0.99f, 0.99f, 0.99f, 1.0}));
    EXPECT_EQ(currentColour(), (std::array<GLfloat, 4>{1, 1, 1, 1}));
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, SpriteBlend,
    ::testing::Values(BlendCase{"OwnDestination", 0x307, 0x307},
                      BlendCase{"SourceForBoth", -1, 0x301}),
    [](const ::testing::TestParamInfo<BlendCase>& param) { return std::string(param.param.name); });

struct FaceCase {
    const char* name;
    float angleY;
    int backTexture;
    Rgb seen;
    GLuint boundAfter;
};

void PrintTo(const FaceCase& face, std::ostream* out)
{
    *out << face.name;
}

class SpriteFace : public SpriteDrawTest, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(SpriteFace, ShowsTheTextureOfTheSideInView)
{
    const FaceCase& face = GetParam();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SpriteQuad sprite = sceneLikeSprite(0, 0, 8, orangeTexture);
    sprite.angleY = face.angleY;
    sprite.backTexture = face.backTexture;
    drawSprite(sprite);

    expectColourNear(centre(), atNinetyNinePercent(face.seen), face.name);
    EXPECT_EQ(static_cast<GLuint>(integerState(GL_TEXTURE_BINDING_2D)), face.boundAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SpriteFace,
    ::testing::Values(
        FaceCase{"UnturnedWithoutBackTextureShowsTheFront", 0.0f, -1, orange, orangeTexture},
        FaceCase{"UnturnedShowsTheBackTexture", 0.0f, static_cast<int>(tealTexture), teal,
                 tealTexture},
        FaceCase{"TurnedAroundShowsTheFrontTexture", 180.0f, static_cast<int>(tealTexture), orange,
                 tealTexture}),
    [](const ::testing::TestParamInfo<FaceCase>& param) { return std::string(param.param.name); });

TEST_F(SpriteDrawTest, QueueKeepsItsOrderAndIsDrawnNewestFirst)
{
    SpriteQuad* const garbage = reinterpret_cast<SpriteQuad*>(std::uintptr_t{0x1234});
    for (int i = 0; i < 3; ++i) {
        SpriteQuad sprite = sceneLikeSprite(static_cast<float>(i), 0, 1, orangeTexture);
        sprite.next = garbage;
        queueSprite(sprite);
    }
    ASSERT_EQ(queuedXs(), (std::vector<float>{0, 1, 2})) << "a garbage link was followed";
    std::vector<SpriteQuad*> nodes;
    for (SpriteQuad* node = spriteList; node != nullptr; node = node->next)
        nodes.push_back(node);

    for (int draw = 0; draw < 2; ++draw) {
        glCallLog::start();
        drawSpriteList(spriteList, 0);
        glCallLog::stop();
        EXPECT_EQ(translatedXs(), (std::vector<double>{2, 1, 0})) << "keeping draw " << draw;
    }

    SpriteQuad* const head = spriteList;
    heapProbe::start();
    glCallLog::start();
    drawSpriteList(spriteList, 1);
    glCallLog::stop();
    heapProbe::stop();
    EXPECT_EQ(translatedXs(), (std::vector<double>{2, 1, 0}));
    EXPECT_EQ(heapProbe::frees(), (std::vector<void*>{nodes[2], nodes[1], nodes[0]}));
    EXPECT_EQ(spriteList, head) << "the caller empties the queue, not the draw";
    spriteList = nullptr;
}

TEST_F(SpriteDrawTest, EmptyQueueDrawsAndFreesNothing)
{
    heapProbe::start();
    glCallLog::start();
    drawSpriteList(nullptr, 1);
    glCallLog::stop();
    heapProbe::stop();
    EXPECT_TRUE(glCallLog::calls().empty()) << "first call: " << describe(glCallLog::calls()[0]);
    EXPECT_TRUE(heapProbe::frees().empty());
}

TEST_F(SpriteDrawTest, SpriteThatCannotBeAllocatedIsLeftOutAndTheQueueStaysWhole)
{
    queueSprite(sceneLikeSprite(0, 0, 1, orangeTexture));
    queueSprite(sceneLikeSprite(1, 0, 1, orangeTexture));
    heapProbe::start(1);
    queueSprite(sceneLikeSprite(2, 0, 1, orangeTexture));
    heapProbe::stop();
    queueSprite(sceneLikeSprite(3, 0, 1, orangeTexture));

    EXPECT_EQ(queuedXs(), (std::vector<float>{0, 1, 3}));
    glCallLog::start();
    drawSpriteList(spriteList, 1);
    glCallLog::stop();
    spriteList = nullptr;
    EXPECT_EQ(translatedXs(), (std::vector<double>{3, 1, 0}));
}

TEST_F(SpriteDrawTest, SceneWithAFailedAllocationQueuesAllTheOtherSprites)
{
    VisModule host{};
    host.channels = 2;
    hostModule = &host;
    winstub::setTickCount(31337);
    std::srand(9);
    buildScene();
    const std::vector<float> whole = queuedXs();
    drawSpriteList(spriteList, 1);
    spriteList = nullptr;
    ASSERT_EQ(whole.size(), 8u);

    std::srand(9);
    heapProbe::start(3);
    buildScene();
    heapProbe::stop();
    std::vector<float> expected = whole;
    expected.erase(expected.begin() + 2);
    EXPECT_EQ(queuedXs(), expected) << "sprite 2 is the one left out";
    drawSpriteList(spriteList, 1);
    spriteList = nullptr;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
