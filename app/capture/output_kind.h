// What the recorder writes, chosen by the output's name: one row per file
// kind, naming the container and the encoders ffmpeg needs for it. A folder
// (PNG frames and a WAV) is not a row: it needs no encoder.
#pragma once

#include <string>

// How a player is to read a video's pixels, in ffmpeg's names; written
// into the stream and the container alike.
struct ColourTags {
    const char* space;      // the YUV matrix, or "rgb" for RGB pixels
    const char* primaries;
    const char* transfer;
    const char* range;      // "tv": limited, "pc": full
    bool yuv;               // the frames are converted with space's matrix
};

struct VideoEncoder {
    const char* name;          // ffmpeg's encoder
    const char* pixelFormat;   // what it encodes
    int maxCrf;                // 0: lossless, no quality to choose
    int defaultCrf;
    const char* options[8];    // fixed settings, in pairs; the rest null
    const ColourTags* colour;  // what its pixels are
};

struct AudioEncoder {
    const char* name;  // ffmpeg's encoder
    bool lossy;        // takes a bitrate
};

struct OutputKind {
    const char* extension;          // lower case, with the dot
    const char* muxer;              // ffmpeg's format name
    const VideoEncoder* video;      // at a --crf quality
    const VideoEncoder* lossless;   // for --lossless: decodes to the rendered pixels
    const AudioEncoder* audio;
    bool indexAtFront;              // the index before the data, so players can stream
};

// The kind a file name asks for by its extension (in any case); null for
// none of them.
const OutputKind* outputKindOf(const std::string& path);

// ".mp4, .m4v, .mov, .mkv or .webm", for messages.
std::string outputKindNames();

// How a frame is resampled to another --size.
enum class ScaleFilter { Lanczos, Bicubic, Nearest };

// The filter named on the command line; false for an unknown name.
bool scaleFilterNamed(const std::string& name, ScaleFilter& filter);
// Its name in ffmpeg's scaler flags.
const char* scalerFlag(ScaleFilter filter);
