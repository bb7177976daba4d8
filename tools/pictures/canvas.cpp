#include "tools/pictures/canvas.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

constexpr int BLUR_PASSES = 3;
constexpr float FULL_SCALE = 255.0f;

// One box pass over a line of n values.
void boxLine(const float* in, float* out, int n, int radius) {
    const float weight = 1.0f / float(2 * radius + 1);
    float sum = 0.0f;
    for (int i = 0; i <= radius && i < n; ++i) sum += in[i];
    for (int i = 0; i < n; ++i) {
        out[i] = sum * weight;
        const int enter = i + radius + 1;
        const int leave = i - radius;
        if (enter < n) sum += in[enter];
        if (leave >= 0) sum -= in[leave];
    }
}

// Hash of a pixel position to [0, 1): a fixed dither pattern with no visible period.
float ditherAt(int x, int y) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFFu) / 65536.0f;
}

uint8_t toByte(float value, float dither) {
    const float scaled = std::clamp(value, 0.0f, 1.0f) * FULL_SCALE + dither;
    return uint8_t(std::clamp(std::floor(scaled), 0.0f, FULL_SCALE));
}

}  // namespace

Mask::Mask(int width, int height) : width_(width), height_(height), values_(size_t(width) * height, 0.0f) {}

void Mask::cover(int x, int y, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    float& v = at(x, y);
    v = 1.0f - (1.0f - v) * (1.0f - std::clamp(coverage, 0.0f, 1.0f));
}

Mask Mask::blurred(float radius) const {
    // Three box passes of this half-width approximate a Gaussian of sigma ~ radius / 2.
    const int box = std::max(1, int(std::lround(radius / 2.0f)));
    Mask result = *this;
    std::vector<float> in(size_t(std::max(width_, height_)));
    std::vector<float> out(in.size());
    for (int pass = 0; pass < BLUR_PASSES; ++pass) {
        for (int y = 0; y < height_; ++y) {
            float* row = &result.values_[size_t(y) * width_];
            boxLine(row, out.data(), width_, box);
            std::copy(out.begin(), out.begin() + width_, row);
        }
        for (int x = 0; x < width_; ++x) {
            for (int y = 0; y < height_; ++y) in[size_t(y)] = result.at(x, y);
            boxLine(in.data(), out.data(), height_, box);
            for (int y = 0; y < height_; ++y) result.at(x, y) = out[size_t(y)];
        }
    }
    return result;
}

Canvas::Canvas(int width, int height, Colour ground)
    : width_(width), height_(height), pixels_(size_t(width) * height, ground) {}

void Canvas::paint(const Mask& mask, Colour colour, float opacity) {
    paintWith(mask, [colour](int, int) { return colour; }, opacity);
}

void Canvas::add(const Mask& mask, Colour colour) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const float a = mask.at(x, y);
            if (a > 0.0f) at(x, y) = at(x, y) + colour * a;
        }
    }
}

std::vector<uint8_t> Canvas::toRgb8() const { return toBytes(nullptr); }

std::vector<uint8_t> Canvas::toRgba8(const Mask& alpha) const {
    assert(alpha.width() == width_ && alpha.height() == height_);
    return toBytes(&alpha);
}

std::vector<uint8_t> Canvas::toBytes(const Mask* alpha) const {
    const size_t channels = alpha ? 4 : 3;
    std::vector<uint8_t> bytes(pixels_.size() * channels);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const Colour c = at(x, y);
            const float d = ditherAt(x, y);
            uint8_t* out = &bytes[(size_t(y) * width_ + x) * channels];
            out[0] = toByte(c.r, d);
            out[1] = toByte(c.g, d);
            out[2] = toByte(c.b, d);
            if (alpha) out[3] = toByte(alpha->at(x, y), d);
        }
    }
    return bytes;
}
