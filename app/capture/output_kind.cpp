#include "app/capture/output_kind.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

// Quality as before for H.264: visually lossless at this size, and quick
// enough not to hold the recording up. VP9 at the speed its makers suggest
// for good quality in reasonable time; -b:v 0 makes -crf a constant quality.
// The frames are sRGB pictures. Converted to YUV they are HD video, the
// matrix, primaries and curve of BT.709 in limited range, as players assume
// for untagged HD and read right when tagged; kept in RGB they are what
// they were drawn as, sRGB in full range.
constexpr ColourTags BT709_LIMITED{/*space=*/"bt709", /*primaries=*/"bt709", /*transfer=*/"bt709", /*range=*/"tv",
                                   /*yuv=*/true};
constexpr ColourTags SRGB_FULL{/*space=*/"rgb", /*primaries=*/"bt709", /*transfer=*/"iec61966-2-1", /*range=*/"pc",
                               /*yuv=*/false};

constexpr VideoEncoder H264{"libx264", "yuv420p", 51, 18, {"-preset", "fast"}, &BT709_LIMITED};
constexpr VideoEncoder H264_LOSSLESS_RGB{"libx264rgb", "rgb24", 0, 0, {"-preset", "fast", "-qp", "0"}, &SRGB_FULL};
constexpr VideoEncoder FFV1{"ffv1", "bgr0", 0, 0, {"-level", "3"}, &SRGB_FULL};
constexpr VideoEncoder VP9{"libvpx-vp9", "yuv420p", 63, 24,
                           {"-b:v", "0", "-deadline", "good", "-cpu-used", "4", "-row-mt", "1"}, &BT709_LIMITED};
constexpr VideoEncoder VP9_LOSSLESS_RGB{"libvpx-vp9", "gbrp", 0, 0,
                                        {"-lossless", "1", "-deadline", "good", "-cpu-used", "4", "-row-mt", "1"},
                                        &SRGB_FULL};

constexpr AudioEncoder AAC{"aac", true};
constexpr AudioEncoder FLAC{"flac", false};
constexpr AudioEncoder OPUS{"libopus", true};

constexpr OutputKind OUTPUT_KINDS[] = {
    {".mp4", "mp4", &H264, &H264_LOSSLESS_RGB, &AAC, true},
    {".m4v", "mp4", &H264, &H264_LOSSLESS_RGB, &AAC, true},
    {".mov", "mov", &H264, &H264_LOSSLESS_RGB, &AAC, true},
    {".mkv", "matroska", &H264, &FFV1, &FLAC, false},
    {".webm", "webm", &VP9, &VP9_LOSSLESS_RGB, &OPUS, false},
};

struct ScaleFilterName {
    const char* name;
    ScaleFilter filter;
    const char* scalerFlag;
};

constexpr ScaleFilterName SCALE_FILTERS[] = {
    {"lanczos", ScaleFilter::Lanczos, "lanczos"},
    {"bicubic", ScaleFilter::Bicubic, "bicubic"},
    {"nearest", ScaleFilter::Nearest, "neighbor"},
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

const OutputKind* outputKindOf(const std::string& path) {
    const std::string name = lowerCase(path);
    for (const OutputKind& kind : OUTPUT_KINDS) {
        const std::string extension = kind.extension;
        if (name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            return &kind;
    }
    return nullptr;
}

std::string outputKindNames() {
    std::string names;
    for (size_t i = 0; i < std::size(OUTPUT_KINDS); ++i) {
        if (i > 0)
            names += i + 1 == std::size(OUTPUT_KINDS) ? " or " : ", ";
        names += OUTPUT_KINDS[i].extension;
    }
    return names;
}

bool scaleFilterNamed(const std::string& name, ScaleFilter& filter) {
    for (const ScaleFilterName& entry : SCALE_FILTERS) {
        if (name == entry.name) {
            filter = entry.filter;
            return true;
        }
    }
    return false;
}

const char* scalerFlag(ScaleFilter filter) {
    for (const ScaleFilterName& entry : SCALE_FILTERS) {
        if (entry.filter == filter)
            return entry.scalerFlag;
    }
    return SCALE_FILTERS[0].scalerFlag;
}
