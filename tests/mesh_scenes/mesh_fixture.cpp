#include "tests/mesh_scenes/mesh_fixture.h"

#include <GL/gl.h>
#include <png.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const BUMP_FILE = "data/texture_bump.png";
constexpr int FIXTURE_SIZE = 64;

// Concentric ridges: a height map with slopes in every direction.
bool writeFixtureHeightMap(const char* path) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> rgb(FIXTURE_SIZE * FIXTURE_SIZE * 3);
    for (int y = 0; y < FIXTURE_SIZE; ++y) {
        for (int x = 0; x < FIXTURE_SIZE; ++x) {
            const double r = std::hypot(x - FIXTURE_SIZE / 2.0, y - FIXTURE_SIZE / 2.0);
            const auto grey = static_cast<png_byte>(128.0 + 127.0 * std::sin(r / 2.0));
            for (int i = 0; i < 3; ++i)
                rgb[(y * FIXTURE_SIZE + x) * 3 + i] = grey;
        }
    }
    bool written = false;
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, FIXTURE_SIZE, FIXTURE_SIZE, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < FIXTURE_SIZE; ++y)
            png_write_row(png, &rgb[y * FIXTURE_SIZE * 3]);
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && written;
}

char scratchRoot[] = "/tmp/mesh_scenes_XXXXXX";

void removeScratch() {
    const std::string root = scratchRoot;
    std::remove((root + "/" + BUMP_FILE).c_str());
    rmdir((root + "/data").c_str());
    rmdir(root.c_str());
}

}  // namespace

void SceneDestroyer::operator()(BumpMeshScene* scene) const {
    scene->destroy();
    delete scene;
}

HeadlessGl* sharedGl() {
    static HeadlessGl* gl = new HeadlessGl;
    return gl->ok() ? gl : nullptr;
}

bool useBumpTexture() {
    if (access(BUMP_FILE, R_OK) == 0)
        return true;
    if (mkdtemp(scratchRoot) == nullptr || chdir(scratchRoot) != 0 || mkdir("data", 0755) != 0)
        return false;
    std::atexit(removeScratch);
    return writeFixtureHeightMap(BUMP_FILE);
}

ScenePtr makeScene(Scene* (*make)()) {
    ScenePtr scene(static_cast<BumpMeshScene*>(make()));
    scene->init();
    return scene;
}

void prepareFrame(float red, float green, float blue) {
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glLoadIdentity();
}
