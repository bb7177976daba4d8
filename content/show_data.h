// The show's data: the files it reads and the facts about them that the show
// and the generators in tools/ must agree on, each written once: the files
// in content/data_files.txt, the facts here.
//
// What both sides may rely on:
//   - Every file name is a "data/..." path relative to the working directory,
//     as the show opens it; a generator writes the same file under its output
//     folder as dataFileName(path).
//   - The files are listed once, in content/data_files.txt, which the build
//     reads for its output lists and writes out as C++ for this header: a
//     file added there is made, installed, fetched by the page and named in
//     the code.
//   - Values keep the types the show computes with: rows are ints, the
//     contrast and quad sizes single-precision floats.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "content/frame_size.h"

constexpr char DATA_FOLDER[] = "data/";
constexpr size_t DATA_FOLDER_LENGTH = sizeof DATA_FOLDER - 1;

// What a data file is to the show.
enum class ShowDataKind {
    PICTURE,  // read by the scenes
    ICON,     // the window's icon
    MUSIC,    // the track, the show's clock
};

struct ShowDataFile {
    const char* path;  // "data/..."
    ShowDataKind kind;
};

// The files themselves, from the list content/data_files.txt: each one's
// path by the name the list gives it (TITLE_PICTURE_FILE, MUSIC_FILE ...),
// the text slides as TEXT_SLIDE_FILE_PATTERN, numbered from 1, and
// TEXT_SLIDE_COUNT, and SHOW_DATA_FILES, every file with its kind.
#include "content/data_files.h"

// The name a data file has inside the data folder.
constexpr const char* dataFileName(const char* path) {
    return path + DATA_FOLDER_LENGTH;
}

// "data/text1.png" for slide 0, up to TEXT_SLIDE_COUNT - 1.
inline std::string textSlideFile(int index) {
    constexpr size_t PATH_CAPACITY = 32;
    char path[PATH_CAPACITY];
    std::snprintf(path, sizeof path, TEXT_SLIDE_FILE_PATTERN, static_cast<unsigned>(index + 1));
    return path;
}

// The letterbox band the meshes draw in: the frame's whole width and its
// middle rows. The background picture frames it.
constexpr int LETTERBOX_BAND_HEIGHT = 512;
// Rows above the band, from the top of the frame; as many lie below it.
constexpr int LETTERBOX_BAND_TOP = (FRAME_HEIGHT - LETTERBOX_BAND_HEIGHT) / 2;

// makeBumpPair's contrast for the height map: greys are stretched this many
// times about mid grey and clamped, so the height map is drawn in the greys
// that keep apart.
constexpr float EMBOSS_CONTRAST = 3.5f;

// The credits pictures are cut into equal horizontal strips, one line of
// lettering each, and show one strip at a time on a quad of these half
// sizes (the line's own units, before its translation).
constexpr int CREDITS_UPPER_STRIPS = 3;
constexpr int CREDITS_LOWER_STRIPS = 5;
constexpr float CREDITS_UPPER_HALF_WIDTH = 0.4f;
constexpr float CREDITS_UPPER_HALF_HEIGHT = 0.1f;
constexpr float CREDITS_LOWER_HALF_WIDTH = 1.0f;
constexpr float CREDITS_LOWER_HALF_HEIGHT = 0.2f;
