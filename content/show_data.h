// The show's data: the files it reads and the facts about them that the show
// and the generators in tools/ must agree on, each written once, here.
//
// What both sides may rely on:
//   - Every file name is a "data/..." path relative to the working directory,
//     as the show opens it; a generator writes the same file under its output
//     folder as dataFileName(path).
//   - The build's output lists are read out of this header
//     (content/show_data.cmake): every `constexpr` line holding a "data/..."
//     literal names one file, the text slides counted out by
//     TEXT_SLIDE_COUNT. Keep each such definition on one line.
//   - Values keep the types the show computes with: rows are ints, the
//     contrast and quad sizes single-precision floats.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "content/frame_size.h"

constexpr char DATA_FOLDER[] = "data/";
constexpr size_t DATA_FOLDER_LENGTH = sizeof DATA_FOLDER - 1;

// The full-screen pictures, FRAME_WIDTH x FRAME_HEIGHT.
constexpr const char* TITLE_PICTURE_FILE = "data/pelmira.png";
constexpr const char* BACKGROUND_PICTURE_FILE = "data/orvek_new.png";
constexpr const char* LOGO_PICTURE_FILE = "data/drosk_logo.png";

// The height map of both meshes, made into the emboss pair.
constexpr const char* BUMP_HEIGHT_MAP_FILE = "data/texture_bump.png";

// The text slides, numbered from 1.
constexpr int TEXT_SLIDE_COUNT = 9;
constexpr const char* TEXT_SLIDE_FILE_PATTERN = "data/text%u.png";

// The credits: the upper line's picture and the lower line's.
constexpr const char* CREDITS_UPPER_PICTURE_FILE = "data/credits.png";
constexpr const char* CREDITS_LOWER_PICTURE_FILE = "data/credits2.png";

// The window's icon, with its own alpha.
constexpr const char* WINDOW_ICON_FILE = "data/icon.png";

// The music track, the show's clock; the folder whose data/ holds it holds
// the pictures too.
constexpr const char* MUSIC_FILE = "data/lunhal-amber_tide.mp3";

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
