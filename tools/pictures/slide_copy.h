// The words of the text slides and the credits lines: make_pictures letters
// the pictures from them, and make_web_texts writes them for the web page,
// which reads the words on screen to a screen reader.
#pragma once

#include <array>
#include <iterator>

#include "base/named_fields.h"
#include "content/show_data.h"

using TextLines = std::array<const char*, 2>;

struct SlideCopy {
    const char* kicker = "";
    TextLines headline = {"", ""};  // both empty: the product's wordmark instead
    TextLines body = {"", ""};

    constexpr SlideCopy withKicker(const char* text) const { return withField(*this, &SlideCopy::kicker, text); }
    constexpr SlideCopy withHeadline(const TextLines& lines) const {
        return withField(*this, &SlideCopy::headline, lines);
    }
    constexpr SlideCopy withBody(const TextLines& lines) const { return withField(*this, &SlideCopy::body, lines); }
};

// One idea a slide, in the order the show cycles through them.
inline constexpr SlideCopy SLIDES[] = {
    SlideCopy{}.withKicker("INTRODUCING").withBody({"The creative suite for", "image, motion and 3D."}),
    SlideCopy{}
        .withKicker("ONE CANVAS")
        .withHeadline({"Sketch to", "final cut"})
        .withBody({"Draw, animate and render", "in a single workspace."}),
    SlideCopy{}
        .withKicker("LIVE 3D")
        .withHeadline({"Shape it while", "you light it"})
        .withBody({"Models, lights and materials", "update as you work."}),
    SlideCopy{}
        .withKicker("MOTION")
        .withHeadline({"Animation", "that breathes"})
        .withBody({"Curves and keyframes", "that follow the music."}),
    SlideCopy{}
        .withKicker("MATERIALS")
        .withHeadline({"Relief you", "can feel"})
        .withBody({"Paint height and texture", "straight onto any surface."}),
    SlideCopy{}
        .withKicker("COLOUR")
        .withHeadline({"True to the", "last pixel"})
        .withBody({"Colour-managed from", "camera to screen to print."}),
    SlideCopy{}
        .withKicker("TEAMWORK")
        .withHeadline({"Create", "together"})
        .withBody({"Share one live scene", "with your whole studio."}),
    SlideCopy{}
        .withKicker("PERFORMANCE")
        .withHeadline({"Fast on the", "desk you have"})
        .withBody({"Smooth playback and renders", "on everyday hardware."}),
    SlideCopy{}.withKicker("AVAILABLE NOW").withBody({"Try it free for 30 days.", "Made by Drosk."}),
};
static_assert(std::size(SLIDES) == TEXT_SLIDE_COUNT, "one copy for every text slide the show reads");

// Credits: the upper line shows headings, the lower one names. Over one cycle
// the show pairs upper strips 0, 0, 1, 1, 2 with lower strips 0 to 4.
inline constexpr const char* CREDIT_HEADINGS[CREDITS_UPPER_STRIPS] = {"CODE", "GRAPHICS", "MUSIC"};
inline constexpr const char* CREDIT_NAMES[CREDITS_LOWER_STRIPS] = {
    "Halvard Enge", "Sanna Ruokola", "Ines Marvall", "Tobin Aske",
    "Lunhal  \xE2\x80\x94  \xE2\x80\x9C" "Amber Tide\xE2\x80\x9D",
};
