// Runs the real make_pictures once into a scratch folder and checks what the
// show relies on: every file, its size and format, black grounds where the
// show blends by brightness, lettering that stays inside its strip, a calm
// background where text goes, and a height map that tiles and survives the
// emboss contrast stretch.
#include "tests/pictures/png_read_back.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "content/show_data.h"

namespace {

namespace fs = std::filesystem;

struct Expected {
    const char* file;
    uint32_t width;
    uint32_t height;
};

constexpr Expected PICTURES[] = {
    {"pelmira.png", 1024, 768}, {"orvek_new.png", 1024, 768}, {"drosk_logo.png", 1024, 768},
    {"texture_bump.png", 256, 256}, {"credits.png", 256, 256}, {"credits2.png", 512, 512},
    {"text1.png", 512, 512}, {"text2.png", 512, 512}, {"text3.png", 512, 512},
    {"text4.png", 512, 512}, {"text5.png", 512, 512}, {"text6.png", 512, 512},
    {"text7.png", 512, 512}, {"text8.png", 512, 512}, {"text9.png", 512, 512},
};
constexpr Expected WINDOW_ICON = {"icon.png", 64, 64};
constexpr int RGBA_COLOUR_TYPE = 6;

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path scratchDir() { return fs::temp_directory_path() / ("make_pictures_test_" + std::to_string(getpid())); }

RunResult runTool(const std::string& arguments) {
    fs::create_directories(scratchDir());
    const fs::path out = scratchDir() / "stdout.txt";
    const fs::path err = scratchDir() / "stderr.txt";
    const std::string command =
        std::string("'") + MAKE_PICTURES_PATH + "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
}

// 8-bit RGB pixels of a generated picture.
class Picture {
public:
    explicit Picture(const fs::path& path) {
        std::string error;
        loaded_ = readBackPng(path, &png_, &error);
        EXPECT_TRUE(loaded_) << error;
        EXPECT_EQ(2, png_.colorType) << path;
        EXPECT_EQ(8, png_.bitDepth) << path;
    }
    bool ok() const { return loaded_ && png_.colorType == 2 && png_.bitDepth == 8; }
    int width() const { return int(png_.width); }
    int height() const { return int(png_.height); }
    int channel(int x, int y, int c) const { return png_.rows[size_t(y) * png_.rowBytes + size_t(x) * 3 + size_t(c)]; }
    // The grey value the show's loader derives alpha from.
    int grey(int x, int y) const { return (channel(x, y, 0) + channel(x, y, 1) + channel(x, y, 2)) / 3; }
    int brightest(int x0, int y0, int x1, int y1) const {
        int best = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) best = std::max({best, channel(x, y, 0), channel(x, y, 1), channel(x, y, 2)});
        }
        return best;
    }
    double meanGrey(int x0, int y0, int x1, int y1) const {
        double sum = 0.0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) sum += grey(x, y);
        }
        return sum / double((x1 - x0) * (y1 - y0)) / 255.0;
    }

private:
    ReadBackPng png_;
    bool loaded_ = false;
};

class MakePictures : public testing::Test {
protected:
    static void SetUpTestSuite() { first_ = new RunResult(runTool("'" + outputDir().string() + "'")); }
    static void TearDownTestSuite() {
        delete first_;
        first_ = nullptr;
        fs::remove_all(scratchDir());
    }
    static fs::path outputDir() { return scratchDir() / "data"; }
    static Picture picture(const char* file) { return Picture(outputDir() / file); }

    static RunResult* first_;
};

RunResult* MakePictures::first_ = nullptr;

TEST_F(MakePictures, WritesEveryPictureAtItsSizeAsEightBitRgbAndTheIconWithAlpha) {
    ASSERT_EQ(0, first_->exitCode) << first_->err;
    EXPECT_EQ("", first_->err);
    for (const Expected& expected : PICTURES) {
        const Picture p = picture(expected.file);
        ASSERT_TRUE(p.ok()) << expected.file;
        EXPECT_EQ(int(expected.width), p.width()) << expected.file;
        EXPECT_EQ(int(expected.height), p.height()) << expected.file;
    }
    ReadBackPng icon;
    std::string error;
    ASSERT_TRUE(readBackPng((outputDir() / WINDOW_ICON.file).string(), &icon, &error)) << error;
    EXPECT_EQ(RGBA_COLOUR_TYPE, icon.colorType);
    EXPECT_EQ(WINDOW_ICON.width, icon.width);
    EXPECT_EQ(WINDOW_ICON.height, icon.height);
    // Nothing else, in particular no temporary file left behind.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(outputDir())) {
        ++files;
        EXPECT_EQ(".png", entry.path().extension()) << entry.path();
    }
    EXPECT_EQ(std::size(PICTURES) + 1, files);
}

// A picture added to content/data_files.txt is one the generator draws.
TEST_F(MakePictures, WritesEveryPictureTheDataListNames) {
    ASSERT_EQ(0, first_->exitCode) << first_->err;
    for (const ShowDataFile& file : SHOW_DATA_FILES) {
        if (file.kind == ShowDataKind::MUSIC)
            continue;
        EXPECT_TRUE(fs::is_regular_file(outputDir() / dataFileName(file.path))) << file.path;
    }
}

TEST_F(MakePictures, SameBytesOnEveryRun) {
    const fs::path second = scratchDir() / "again";
    ASSERT_EQ(0, runTool("'" + second.string() + "'").exitCode);
    for (const Expected& expected : PICTURES) {
        EXPECT_TRUE(slurp(outputDir() / expected.file) == slurp(second / expected.file)) << expected.file;
    }
}

// The show blends these by brightness over black: the ground must be black
// and there must be something light on it.
TEST_F(MakePictures, BlendedPicturesAreLightOnBlack) {
    constexpr int CORNER = 24;
    const char* files[] = {"pelmira.png", "drosk_logo.png", "credits.png", "credits2.png", "text1.png",
                           "text2.png", "text3.png", "text4.png", "text5.png", "text6.png",
                           "text7.png", "text8.png", "text9.png"};
    for (const char* file : files) {
        const Picture p = picture(file);
        ASSERT_TRUE(p.ok()) << file;
        const int w = p.width();
        const int h = p.height();
        EXPECT_EQ(0, p.brightest(0, 0, CORNER, CORNER)) << file;
        EXPECT_EQ(0, p.brightest(w - CORNER, 0, w, CORNER)) << file;
        EXPECT_EQ(0, p.brightest(0, h - CORNER, CORNER, h)) << file;
        EXPECT_EQ(0, p.brightest(w - CORNER, h - CORNER, w, h)) << file;
        EXPECT_GT(p.brightest(0, 0, w, h), 220) << file;
    }
}

// Each strip is shown alone: its lettering may not reach into a neighbour,
// and the lower line's quad runs off the screen below about 0.68 of a strip.
TEST_F(MakePictures, CreditsLetteringStaysInsideItsStrip) {
    struct StripPicture {
        const char* file;
        int strips;
        double lastVisibleFraction;
    };
    for (const StripPicture& s : {StripPicture{"credits.png", 3, 0.9}, StripPicture{"credits2.png", 5, 0.66}}) {
        const Picture p = picture(s.file);
        ASSERT_TRUE(p.ok()) << s.file;
        const double stripHeight = double(p.height()) / s.strips;
        for (int i = 0; i < s.strips; ++i) {
            const int top = int(i * stripHeight);
            const int hiddenFrom = int((i + s.lastVisibleFraction) * stripHeight);
            const int bottom = int((i + 1) * stripHeight);
            EXPECT_GT(p.brightest(0, top, p.width(), hiddenFrom), 220) << s.file << " strip " << i;
            EXPECT_LT(p.brightest(0, top, p.width(), top + 2), 8) << s.file << " strip " << i;
            EXPECT_LT(p.brightest(0, hiddenFrom, p.width(), bottom), 8) << s.file << " strip " << i;
        }
    }
}

TEST_F(MakePictures, BackgroundIsCalmWhereTextIsDrawn) {
    const Picture p = picture("orvek_new.png");
    ASSERT_TRUE(p.ok());
    // Text slide quad and the two credits lines, in screen pixels from the top.
    EXPECT_LT(p.meanGrey(481, 135, 1006, 640), 0.08);
    EXPECT_LT(p.brightest(481, 135, 1006, 640), 90);
    EXPECT_LT(p.meanGrey(2, 647, 620, 768), 0.08);
    EXPECT_LT(p.brightest(2, 650, 620, 768), 90);
    // Not a flat fill: a designed picture has some light somewhere.
    EXPECT_GT(p.brightest(0, 0, p.width(), p.height()), 180);
}

TEST_F(MakePictures, HeightMapSurvivesTheEmbossStretchAndTiles) {
    const Picture p = picture("texture_bump.png");
    ASSERT_TRUE(p.ok());
    const int n = p.width();
    // The show stretches grey g to (g - 128) x 3.5 + 128: 92 to 164 stay apart.
    int inRange = 0;
    int low = 0;
    int high = 0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int g = p.grey(x, y);
            inRange += g >= 92 && g <= 164;
            low += g < 115;
            high += g > 140;
        }
    }
    EXPECT_GT(inRange, n * n * 95 / 100);
    EXPECT_GT(low, n * n / 20) << "grooves";
    EXPECT_GT(high, n * n / 5) << "raised plates";

    // Across the wrap the picture changes no more than between any two
    // neighbouring columns or rows inside it.
    auto columnStep = [&](int a, int b) {
        double sum = 0.0;
        for (int y = 0; y < n; ++y) sum += std::abs(p.grey(a, y) - p.grey(b, y));
        return sum / n;
    };
    auto rowStep = [&](int a, int b) {
        double sum = 0.0;
        for (int x = 0; x < n; ++x) sum += std::abs(p.grey(x, a) - p.grey(x, b));
        return sum / n;
    };
    double insideColumns = 0.0;
    double insideRows = 0.0;
    for (int i = 0; i + 1 < n; ++i) {
        insideColumns = std::max(insideColumns, columnStep(i, i + 1));
        insideRows = std::max(insideRows, rowStep(i, i + 1));
    }
    EXPECT_LE(columnStep(n - 1, 0), insideColumns);
    EXPECT_LE(rowStep(n - 1, 0), insideRows);
}

TEST(MakePicturesFailure, ReportsAnUnwritableFolderInOneLine) {
    fs::create_directories(scratchDir());
    const fs::path blocker = scratchDir() / "a_file";
    std::ofstream(blocker) << "not a folder";
    const RunResult result = runTool("'" + (blocker / "data").string() + "'");
    fs::remove_all(scratchDir());
    EXPECT_NE(0, result.exitCode);
    EXPECT_EQ(0u, result.err.find("make_pictures: ")) << result.err;
    EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
}

TEST(MakePicturesFailure, WantsExactlyOneArgument) {
    const RunResult result = runTool("");
    fs::remove_all(scratchDir());
    EXPECT_NE(0, result.exitCode);
    EXPECT_NE(std::string::npos, result.err.find("usage")) << result.err;
}

}  // namespace
