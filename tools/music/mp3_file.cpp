// MP3 encoding and the all-or-nothing file write.
#include "tools/music/mp3_file.h"

#include <lame/lame.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/music/synth_dsp.h"

namespace {

constexpr int LAME_QUALITY = 5;  // 0 best and slowest .. 9 fastest; 5 is transparent at 192 kbit/s
constexpr int CHUNK_FRAMES = 8192;
constexpr int FLUSH_BYTES = 7200;  // lame.h: the final flush needs at most this
constexpr const char* TEMPORARY_SUFFIX = ".part";

// lame.h: worst-case output for `frames` input frames.
size_t mp3BufferBytes(int frames) {
    return static_cast<size_t>(frames) * 5 / 4 + FLUSH_BYTES;
}

class Encoder {
public:
    Encoder() : flags(lame_init()) {}
    ~Encoder() {
        if (flags != nullptr) {
            lame_close(flags);
        }
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    bool init() {
        if (flags == nullptr) {
            return false;
        }
        lame_set_in_samplerate(flags, SAMPLE_RATE_HZ);
        lame_set_out_samplerate(flags, SAMPLE_RATE_HZ);
        lame_set_num_channels(flags, 2);
        lame_set_mode(flags, JOINT_STEREO);
        lame_set_VBR(flags, vbr_off);
        lame_set_brate(flags, MP3_BITRATE_KBPS);
        lame_set_quality(flags, LAME_QUALITY);
        lame_set_bWriteVbrTag(flags, 1);
        lame_set_write_id3tag_automatic(flags, 0);
        return lame_init_params(flags) >= 0;
    }

    lame_global_flags* flags;
};

// Owns the temporary file until it is renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& finalPath)
        : path(finalPath + TEMPORARY_SUFFIX), file(std::fopen(path.c_str(), "wb")) {}
    ~TemporaryFile() {
        if (file != nullptr) {
            std::fclose(file);
            std::remove(path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool write(const unsigned char* bytes, size_t count) { return std::fwrite(bytes, 1, count, file) == count; }

    // Closes and renames the file to `finalPath`; on failure it is removed.
    bool commit(const std::string& finalPath) {
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        if (closed && std::rename(path.c_str(), finalPath.c_str()) == 0) {
            return true;
        }
        std::remove(path.c_str());
        return false;
    }

    std::string path;
    std::FILE* file;
};

std::string reason(const std::string& path) {
    const int code = errno;
    return "cannot write " + path + ": " + (code != 0 ? std::strerror(code) : "write failed");
}

}  // namespace

bool writeMp3(const std::string& path, const StereoTrack& track, std::string& error) {
    Encoder encoder;
    if (!encoder.init()) {
        error = "cannot set up the MP3 encoder";
        return false;
    }
    errno = 0;
    TemporaryFile output(path);
    if (output.file == nullptr) {
        error = reason(path);
        return false;
    }
    std::vector<unsigned char> bytes(mp3BufferBytes(CHUNK_FRAMES));
    const size_t frames = track.left.size();
    for (size_t done = 0; done < frames; done += CHUNK_FRAMES) {
        const int count = static_cast<int>(std::min<size_t>(CHUNK_FRAMES, frames - done));
        const int encoded = lame_encode_buffer_ieee_float(encoder.flags, track.left.data() + done,
                                                          track.right.data() + done, count, bytes.data(),
                                                          static_cast<int>(bytes.size()));
        if (encoded < 0) {
            error = "MP3 encoding failed";
            return false;
        }
        if (!output.write(bytes.data(), static_cast<size_t>(encoded))) {
            error = reason(path);
            return false;
        }
    }
    const int flushed = lame_encode_flush(encoder.flags, bytes.data(), static_cast<int>(bytes.size()));
    if (flushed < 0) {
        error = "MP3 encoding failed";
        return false;
    }
    // The Info frame is known only now; it replaces the placeholder the
    // encoder put at the very start.
    std::vector<unsigned char> tag(mp3BufferBytes(0));
    const size_t tagBytes = lame_get_lametag_frame(encoder.flags, tag.data(), tag.size());
    if (!output.write(bytes.data(), static_cast<size_t>(flushed)) || tagBytes > tag.size() ||
        std::fseek(output.file, 0, SEEK_SET) != 0 || !output.write(tag.data(), tagBytes) ||
        !output.commit(path)) {
        error = reason(path);
        return false;
    }
    return true;
}
