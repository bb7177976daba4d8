// make_web_preview FRAME.png PREVIEW.png: the picture a shared link shows,
// 1200 x 630 as link previews want it, cut from a frame of the show: the
// centred band of the frame's full width in that shape, scaled bilinearly.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/png_writer.h"

namespace {

constexpr uint32_t PREVIEW_WIDTH = 1200;
constexpr uint32_t PREVIEW_HEIGHT = 630;
constexpr int CHANNELS = 3;

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};

bool readRgb(const char* path, Picture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::fprintf(stderr, "make_web_preview: %s: %s\n", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "make_web_preview: %s: %s\n", path, image.message);
        return false;
    }
    return true;
}

// The band's rows, from its top, mapped onto the preview's pixels by their
// centres.
Picture cutPreview(const Picture& frame) {
    const double scale = static_cast<double>(frame.width) / PREVIEW_WIDTH;
    const double bandTop = (frame.height - PREVIEW_HEIGHT * scale) / 2;
    Picture preview{PREVIEW_WIDTH, PREVIEW_HEIGHT, std::vector<uint8_t>(PREVIEW_WIDTH * PREVIEW_HEIGHT * CHANNELS)};
    auto sample = [&](uint32_t x, uint32_t y, int channel) {
        return frame.rgb[(static_cast<size_t>(y) * frame.width + x) * CHANNELS + channel];
    };
    for (uint32_t y = 0; y < PREVIEW_HEIGHT; ++y) {
        const double sy = std::max(0.0, bandTop + (y + 0.5) * scale - 0.5);
        const uint32_t y0 = std::min(static_cast<uint32_t>(sy), frame.height - 1);
        const uint32_t y1 = std::min(y0 + 1, frame.height - 1);
        const double fy = sy - y0;
        for (uint32_t x = 0; x < PREVIEW_WIDTH; ++x) {
            const double sx = std::max(0.0, (x + 0.5) * scale - 0.5);
            const uint32_t x0 = std::min(static_cast<uint32_t>(sx), frame.width - 1);
            const uint32_t x1 = std::min(x0 + 1, frame.width - 1);
            const double fx = sx - x0;
            for (int c = 0; c < CHANNELS; ++c) {
                const double top = sample(x0, y0, c) * (1 - fx) + sample(x1, y0, c) * fx;
                const double bottom = sample(x0, y1, c) * (1 - fx) + sample(x1, y1, c) * fx;
                preview.rgb[(static_cast<size_t>(y) * PREVIEW_WIDTH + x) * CHANNELS + c] =
                    static_cast<uint8_t>(top * (1 - fy) + bottom * fy + 0.5);
            }
        }
    }
    return preview;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_web_preview FRAME.png PREVIEW.png\n");
        return 2;
    }
    Picture frame;
    if (!readRgb(argv[1], frame))
        return 1;
    if (frame.width * PREVIEW_HEIGHT > frame.height * PREVIEW_WIDTH) {
        std::fprintf(stderr, "make_web_preview: %s: %ux%u is wider than %u:%u\n", argv[1], frame.width, frame.height,
                     PREVIEW_WIDTH, PREVIEW_HEIGHT);
        return 1;
    }
    const Picture preview = cutPreview(frame);
    PngImage image;
    image.width = preview.width;
    image.height = preview.height;
    image.colorType = PNG_WRITER_RGB;
    image.rows = preview.rgb.data();
    std::string error;
    if (!writePng(argv[2], image, &error)) {
        std::fprintf(stderr, "make_web_preview: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
