// Separable resampling: the rows a target row needs are summed into one
// float row of source width, which is then resampled across. Memory is that
// one row beyond the result; each source row is read about once.
#include "gfx/picture_fit.h"

#include <algorithm>
#include <cassert>
#include <vector>

#include "gfx/rgba.h"

namespace {

constexpr float BYTE_MAX = 255.0f;
constexpr float ROUNDING = 0.5f;

struct Tap {
    uint32_t source;
    float weight;
};

// The taps of target sample i along one axis are taps[first[i]] up to
// taps[first[i + 1]]; their weights add up to 1.
struct AxisTaps {
    std::vector<Tap> taps;
    std::vector<size_t> first;
};

// Target sample i covers source span [i, i + 1) x source / target; in units
// of 1 / target source pixels that is [i x source, (i + 1) x source), and
// source pixel k covers [k x target, (k + 1) x target): exact integers.
void addAreaTaps(AxisTaps& axis, uint32_t source, uint32_t target, uint32_t i) {
    const uint64_t begin = uint64_t{i} * source;
    const uint64_t end = begin + source;
    for (uint64_t k = begin / target; k * target < end; ++k) {
        const uint64_t overlap = std::min(end, (k + 1) * target) - std::max(begin, k * target);
        axis.taps.push_back({static_cast<uint32_t>(k),
                             static_cast<float>(overlap) / static_cast<float>(source)});
    }
}

// The centre of target sample i lies at ((2i + 1) x source - target) / (2 x
// target) in source pixel coordinates; beyond the outer centres the edge
// pixel holds.
void addBilinearTaps(AxisTaps& axis, uint32_t source, uint32_t target, uint32_t i) {
    const int64_t numerator = (2 * int64_t{i} + 1) * source - target;
    const int64_t denominator = 2 * int64_t{target};
    if (numerator <= 0) {
        axis.taps.push_back({0, 1.0f});
        return;
    }
    const int64_t k = numerator / denominator;
    const int64_t remainder = numerator % denominator;
    if (k >= int64_t{source} - 1) {
        axis.taps.push_back({source - 1, 1.0f});
        return;
    }
    const auto left = static_cast<uint32_t>(k);
    if (remainder == 0) {
        axis.taps.push_back({left, 1.0f});
        return;
    }
    const float right = static_cast<float>(remainder) / static_cast<float>(denominator);
    axis.taps.push_back({left, 1.0f - right});
    axis.taps.push_back({left + 1, right});
}

AxisTaps axisTaps(uint32_t source, uint32_t target) {
    AxisTaps axis;
    axis.first.reserve(size_t{target} + 1);
    axis.first.push_back(0);
    for (uint32_t i = 0; i < target; ++i) {
        if (source > target)
            addAreaTaps(axis, source, target, i);
        else
            addBilinearTaps(axis, source, target, i);
        axis.first.push_back(axis.taps.size());
    }
    return axis;
}

// a x b / c rounded to nearest.
uint32_t scaledRounded(uint32_t a, uint32_t b, uint32_t c) {
    return static_cast<uint32_t>((2 * uint64_t{a} * b + c) / (2 * uint64_t{c}));
}

uint8_t toByte(float value) {
    return static_cast<uint8_t>(std::min(value, BYTE_MAX) + ROUNDING);
}

}  // namespace

FittedRect fittedRect(uint32_t width, uint32_t height, uint32_t frameWidth, uint32_t frameHeight) {
    assert(width > 0 && height > 0 && frameWidth > 0 && frameHeight > 0);
    FittedRect rect;
    if (uint64_t{width} * frameHeight >= uint64_t{height} * frameWidth) {
        rect.width = frameWidth;
        rect.height = scaledRounded(height, frameWidth, width);
    } else {
        rect.height = frameHeight;
        rect.width = scaledRounded(width, frameHeight, height);
    }
    rect.width = std::max(rect.width, 1u);
    rect.height = std::max(rect.height, 1u);
    rect.x = (frameWidth - rect.width) / 2;
    rect.y = (frameHeight - rect.height) / 2;
    return rect;
}

std::unique_ptr<uint8_t[]> fitPicture(const uint8_t* pixels, uint32_t width, uint32_t height,
                                      uint32_t frameWidth, uint32_t frameHeight) {
    const FittedRect rect = fittedRect(width, height, frameWidth, frameHeight);
    const AxisTaps columns = axisTaps(width, rect.width);
    const AxisTaps rows = axisTaps(height, rect.height);
    // Value-initialised: the bars are transparent black.
    std::unique_ptr<uint8_t[]> frame(new uint8_t[size_t{frameWidth} * frameHeight * RGBA_BYTES]());
    const size_t sourceStride = size_t{width} * RGBA_BYTES;
    std::vector<float> sum(sourceStride);
    for (uint32_t y = 0; y < rect.height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (size_t t = rows.first[y]; t < rows.first[y + 1]; ++t) {
            const Tap tap = rows.taps[t];
            const uint8_t* source = pixels + tap.source * sourceStride;
            for (size_t j = 0; j < sourceStride; ++j)
                sum[j] += tap.weight * static_cast<float>(source[j]);
        }
        uint8_t* out = frame.get() + ((size_t{rect.y} + y) * frameWidth + rect.x) * RGBA_BYTES;
        for (uint32_t x = 0; x < rect.width; ++x, out += RGBA_BYTES) {
            float texel[RGBA_BYTES] = {};
            for (size_t t = columns.first[x]; t < columns.first[x + 1]; ++t) {
                const Tap tap = columns.taps[t];
                for (size_t c = 0; c < RGBA_BYTES; ++c)
                    texel[c] += tap.weight * sum[size_t{tap.source} * RGBA_BYTES + c];
            }
            for (size_t c = 0; c < RGBA_BYTES; ++c)
                out[c] = toByte(texel[c]);
        }
    }
    return frame;
}
