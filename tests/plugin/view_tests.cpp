// The view geometry: the perspective and viewport that follow the window's size,
// the pixel overlay of the full-window passes, and the reference-view scaling.

#include "plugin_fixture.h"

#include "render/gl_api.h"
#include "render/view.h"

#include <array>

namespace {

using Matrix = std::array<GLdouble, 16>;

Matrix currentMatrix(GLenum which)
{
    Matrix matrix{};
    glGetDoublev(which, matrix.data());
    return matrix;
}

GLint integerState(GLenum which)
{
    GLint value = 0;
    glGetIntegerv(which, &value);
    return value;
}

const Matrix identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Where a pixel-space point lands in normalised device coordinates.
std::array<double, 2> project(const Matrix& projection, const Matrix& modelView, double x,
                              double y)
{
    std::array<double, 4> eye{};
    for (int row = 0; row < 4; ++row)
        eye[row] = modelView[row] * x + modelView[4 + row] * y + modelView[12 + row];
    std::array<double, 4> clip{};
    for (int row = 0; row < 4; ++row) {
        clip[row] = projection[row] * eye[0] + projection[4 + row] * eye[1] +
                    projection[8 + row] * eye[2] + projection[12 + row] * eye[3];
    }
    return {clip[0] / clip[3], clip[1] / clip[3]};
}

class ViewTest : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        winstub::makeGlContextCurrent(64, 48);
    }
};

TEST_F(ViewTest, ReferenceViewGetsTheFortyFiveDegreeFrustum)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_TEXTURE);
    resizeView(640, 480);

    EXPECT_EQ(viewWidth, 640);
    EXPECT_EQ(viewHeight, 480);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 640, 480}));

    // glFrustum(-0.0552285, 0.0552285, -0.0414214, 0.0414214, 0.1, 256).
    const Matrix projection = currentMatrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(projection[0], 2 * 0.1 / (2 * 0.0552285), 2e-5);
    EXPECT_NEAR(projection[5], 2 * 0.1 / (2 * 0.0414214), 2e-5);
    EXPECT_NEAR(projection[8], 0.0, 1e-6);
    EXPECT_NEAR(projection[9], 0.0, 1e-6);
    EXPECT_NEAR(projection[10], -(256 + 0.1) / (256 - 0.1), 1e-6);
    EXPECT_NEAR(projection[11], -1.0, 1e-12);
    EXPECT_NEAR(projection[14], -2 * 256 * 0.1 / (256 - 0.1), 1e-6);
    EXPECT_EQ(projection[15], 0.0);

    EXPECT_EQ(currentMatrix(GL_MODELVIEW_MATRIX), identity) << "whatever was left there";
    EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
}

TEST_F(ViewTest, EmptyOrNegativeSizesAreRaisedToOne)
{
    resizeView(0, 0);
    EXPECT_EQ(viewWidth, 1);
    EXPECT_EQ(viewHeight, 1);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 1, 1}));
    Matrix projection = currentMatrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(projection[0] / projection[5], 1.0, 1e-6) << "aspect 1";

    resizeView(-5, 300);
    EXPECT_EQ(viewWidth, 1);
    EXPECT_EQ(viewHeight, 300);
    projection = currentMatrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(projection[0] / projection[5], 300.0, 1e-3) << "aspect 1/300";
}

TEST_F(ViewTest, OverlayMapsPixelsFromTheTopLeftCornerAndPutsEverythingBack)
{
    resizeView(64, 48);
    glTranslatef(1, 2, 3);
    const Matrix projectionBefore = currentMatrix(GL_PROJECTION_MATRIX);
    const Matrix modelViewBefore = currentMatrix(GL_MODELVIEW_MATRIX);
    const GLint projectionDepth = integerState(GL_PROJECTION_STACK_DEPTH);
    const GLint modelViewDepth = integerState(GL_MODELVIEW_STACK_DEPTH);

    beginOverlay();
    EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
    const Matrix projection = currentMatrix(GL_PROJECTION_MATRIX);
    const Matrix modelView = currentMatrix(GL_MODELVIEW_MATRIX);
    EXPECT_EQ(modelView, identity);
    // GL keeps its matrices in single precision.
    const auto topLeft = project(projection, modelView, 0, 0);
    const auto bottomRight = project(projection, modelView, 64, 48);
    EXPECT_NEAR(topLeft[0], -1.0, 1e-6);
    EXPECT_NEAR(topLeft[1], 1.0, 1e-6);
    EXPECT_NEAR(bottomRight[0], 1.0, 1e-6);
    EXPECT_NEAR(bottomRight[1], -1.0, 1e-6);

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(2, 0);
    glVertex2f(2, 2);
    glVertex2f(0, 2);
    glEnd();
    endOverlay();

    const winstub::Image image = winstub::readFramebuffer();
    EXPECT_EQ(image.rgb[0], 255) << "the quad at (0, 0) covers the top-left pixel";
    EXPECT_EQ(image.rgb[(47 * 64) * 3], 0) << "and not the bottom-left one";

    EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(currentMatrix(GL_PROJECTION_MATRIX), projectionBefore);
    EXPECT_EQ(currentMatrix(GL_MODELVIEW_MATRIX), modelViewBefore);
    EXPECT_EQ(integerState(GL_PROJECTION_STACK_DEPTH), projectionDepth);
    EXPECT_EQ(integerState(GL_MODELVIEW_STACK_DEPTH), modelViewDepth);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PluginTest, LengthsScaleFromTheReferenceView)
{
    viewWidth = 1280;
    viewHeight = 960;
    EXPECT_EQ(scaleToViewX(10.0f), 20.0f);
    EXPECT_EQ(scaleToViewY(7.5f), 15.0f);

    viewWidth = 640;
    viewHeight = 480;
    for (float length : {10.0f, 0.1f, 123.25f, -3.7f}) {
        EXPECT_EQ(scaleToViewX(length), length);
        EXPECT_EQ(scaleToViewY(length), length);
    }

    viewWidth = 800;
    viewHeight = 300;
    EXPECT_FLOAT_EQ(scaleToViewX(10.0f), 12.5f);
    EXPECT_FLOAT_EQ(scaleToViewY(10.0f), 6.25f);
}

} // namespace
