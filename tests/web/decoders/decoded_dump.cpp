// The show's own decoders run on the data files, built once natively and
// once for WebAssembly, and the two results compared:
//
//   decoded_dump OUTDIR FILE...       decodes each .png (RGBA, alpha from
//                                     brightness) and .mp3 (16-bit stereo)
//                                     into OUTDIR/<name>.decoded
//   decoded_dump --compare NATIVE WEB pictures must be identical, samples
//                                     within SAMPLE_TOLERANCE; prints what
//                                     differs and by how much
//
// A .decoded file is a header of three little-endian uint32 (kind, and
// width and height for a picture, or sample rate and 0 for a track) followed
// by the RGBA bytes or the interleaved int16 samples.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/track_decoder.h"
#include "gfx/png_decoder.h"
#include "gfx/rgba.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t KIND_PICTURE = 1;
constexpr uint32_t KIND_TRACK = 2;
constexpr size_t HEADER_WORDS = 3;
constexpr int32_t ALPHA_FROM_BRIGHTNESS = 1;
// mpg123's generic and SIMD synths may round a sample's last bit apart.
constexpr int SAMPLE_TOLERANCE = 1;
constexpr const char* DECODED_SUFFIX = ".decoded";

struct Decoded {
    uint32_t header[HEADER_WORDS] = {};
    std::vector<uint8_t> body;
};

bool write(const fs::path& path, const uint32_t (&header)[HEADER_WORDS], const void* body,
           size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(static_cast<const char*>(body), static_cast<std::streamsize>(bytes));
    return static_cast<bool>(out);
}

bool read(const fs::path& path, Decoded& decoded) {
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(decoded.header), sizeof decoded.header))
        return false;
    decoded.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Answers an empty string when done, else what went wrong.
std::string dumpOne(const fs::path& file, const fs::path& outDir) {
    fs::path out = outDir / (file.filename().string() + DECODED_SUFFIX);
    std::string reason;
    bool written = false;
    if (file.extension() == ".png") {
        DecodedPng picture;
        if (!decodePng(file.c_str(), ALPHA_FROM_BRIGHTNESS, picture, reason))
            return file.string() + ": " + reason;
        size_t bytes = size_t{picture.width} * picture.height * RGBA_BYTES;
        written = write(out, {KIND_PICTURE, picture.width, picture.height},
                        picture.pixels.get(), bytes);
    } else {
        DecodedTrack track;
        if (!decodeTrack(file.c_str(), track, reason))
            return reason;
        written = write(out, {KIND_TRACK, track.sampleRate, 0}, track.samples.data(),
                        track.samples.size() * sizeof(int16_t));
    }
    return written ? std::string() : "cannot write " + out.string();
}

int dump(const fs::path& outDir, int count, char** files) {
    fs::create_directories(outDir);
    for (int i = 0; i < count; ++i) {
        std::string failure = dumpOne(files[i], outDir);
        if (!failure.empty()) {
            std::fprintf(stderr, "%s\n", failure.c_str());
            return EXIT_FAILURE;
        }
    }
    return EXIT_SUCCESS;
}

bool comparePictures(const std::string& name, const Decoded& native, const Decoded& web) {
    if (native.body == web.body) {
        std::printf("%s: %u x %u, identical\n", name.c_str(), native.header[1], native.header[2]);
        return true;
    }
    size_t pixels = native.body.size() / RGBA_BYTES;
    size_t differing = 0;
    size_t first = pixels;
    for (size_t i = 0; i < pixels; ++i)
        if (std::memcmp(&native.body[i * RGBA_BYTES], &web.body[i * RGBA_BYTES], RGBA_BYTES) != 0) {
            ++differing;
            first = std::min(first, i);
        }
    uint32_t width = native.header[1];
    std::printf("%s: %zu of %zu pixels differ, the first at (%zu, %zu)\n", name.c_str(),
                differing, pixels, first % width, first / width);
    return false;
}

bool compareTracks(const std::string& name, const Decoded& native, const Decoded& web) {
    size_t count = native.body.size() / sizeof(int16_t);
    const auto* a = reinterpret_cast<const int16_t*>(native.body.data());
    const auto* b = reinterpret_cast<const int16_t*>(web.body.data());
    size_t differing = 0;
    int largest = 0;
    for (size_t i = 0; i < count; ++i) {
        int difference = std::abs(int{a[i]} - int{b[i]});
        differing += difference != 0;
        largest = std::max(largest, difference);
    }
    std::printf("%s: %zu samples at %u Hz, %zu differ (%.4f %%), by at most %d\n", name.c_str(),
                count, native.header[1], differing, count ? 100.0 * differing / count : 0.0,
                largest);
    return largest <= SAMPLE_TOLERANCE;
}

int compare(const fs::path& nativeDir, const fs::path& webDir) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(nativeDir))
        if (entry.path().extension() == DECODED_SUFFIX)
            files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());

    bool same = true;
    for (const fs::path& file : files) {
        std::string name = file.stem().string();
        Decoded native, web;
        if (!read(nativeDir / file, native) || !read(webDir / file, web)) {
            std::printf("%s: missing or unreadable on one side\n", name.c_str());
            same = false;
            continue;
        }
        if (std::memcmp(native.header, web.header, sizeof native.header) != 0 ||
            native.body.size() != web.body.size()) {
            std::printf("%s: sizes differ (%u x %u, %zu bytes native; %u x %u, %zu bytes web)\n",
                        name.c_str(), native.header[1], native.header[2], native.body.size(),
                        web.header[1], web.header[2], web.body.size());
            same = false;
        } else if (native.header[0] == KIND_PICTURE) {
            same = comparePictures(name, native, web) && same;
        } else {
            same = compareTracks(name, native, web) && same;
        }
    }
    if (files.empty()) {
        std::printf("nothing decoded in %s\n", nativeDir.c_str());
        return EXIT_FAILURE;
    }
    return same ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--compare") == 0)
        return compare(argv[2], argv[3]);
    if (argc >= 3 && argv[1][0] != '-')
        return dump(argv[1], argc - 2, argv + 2);
    std::fprintf(stderr, "usage: decoded_dump OUTDIR FILE... | decoded_dump --compare NATIVE WEB\n");
    return 2;
}
