#include "tests/image_scenes/scene_fixtures.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gfx/png_writer.h"

namespace fs = std::filesystem;

ScratchDataDir::ScratchDataDir() {
    std::string pattern = (fs::temp_directory_path() / "pelmira-image-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return;
    std::error_code error;
    previous_ = fs::current_path(error).string();
    fs::create_directory(fs::path(pattern) / "data", error);
    if (error || chdir(pattern.c_str()) != 0) {
        fs::remove_all(pattern, error);
        return;
    }
    root_ = pattern;
}

ScratchDataDir::~ScratchDataDir() {
    if (root_.empty())
        return;
    if (chdir(previous_.c_str()) != 0)
        std::fprintf(stderr, "scratch data: cannot return to %s\n", previous_.c_str());
    std::error_code error;
    fs::remove_all(root_, error);
}

bool writePicture(const std::string& path, const Picture& picture) {
    PngImage image;
    image.width = static_cast<uint32_t>(picture.width);
    image.height = static_cast<uint32_t>(picture.height);
    image.colorType = PNG_WRITER_RGBA;
    image.rows = reinterpret_cast<const uint8_t*>(picture.pixels.data());
    std::string error;
    if (writePng(path.c_str(), image, &error))
        return true;
    std::fprintf(stderr, "fixture: %s\n", error.c_str());
    return false;
}

PixelRect projectRect(float x0, float y0, float x1, float y1, float z, int inset) {
    // View space: whatever model-view matrix the scene left is not used.
    const GLdouble modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble ax, ay, bx, by, depth;
    gluProject(x0, y0, z, modelView, projection, viewport, &ax, &ay, &depth);
    gluProject(x1, y1, z, modelView, projection, viewport, &bx, &by, &depth);
    // A pixel belongs when its centre (p + 0.5) lies inside.
    const auto first = [](double edge) { return static_cast<int>(std::ceil(edge - 0.5)); };
    const auto last = [](double edge) { return static_cast<int>(std::floor(edge - 0.5)); };
    return {first(std::min(ax, bx)) + inset, first(std::min(ay, by)) + inset,
            last(std::max(ax, bx)) - inset, last(std::max(ay, by)) - inset};
}

bool nearColour(uint32_t pixel, int r, int g, int b, int tolerance) {
    return std::abs(red(pixel) - r) <= tolerance && std::abs(green(pixel) - g) <= tolerance &&
           std::abs(blue(pixel) - b) <= tolerance;
}

void fillFrame(Rgba colour) {
    glClearColor(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f, colour.a / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void expectGlState(bool depthTest, bool blend, bool texturing, bool depthMask) {
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST) == GL_TRUE, depthTest) << "depth test";
    EXPECT_EQ(glIsEnabled(GL_BLEND) == GL_TRUE, blend) << "blending";
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, texturing) << "texturing";
    EXPECT_EQ(mask == GL_TRUE, depthMask) << "depth mask";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
