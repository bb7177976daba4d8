// make_web_texts FILE.js: the words of the text slides and the credits
// lines, the ones the pictures are lettered from, as a script for the web
// page. It sets window.showSlideTexts (one string a slide, in the show's
// order), showCreditHeadings and showCreditNames (one a strip, from the top).
#include <cstdio>
#include <string>
#include <vector>

#include "tools/pictures/brand.h"
#include "tools/pictures/slide_copy.h"

namespace {

void appendLines(std::string& text, const TextLines& lines) {
    for (const char* line : lines) {
        if (line[0] == '\0')
            continue;
        text += ' ';
        text += line;
    }
}

// What a screen reader says for the slide: its kicker, headline (or the
// wordmark the picture draws in its place) and body, as sentences.
std::string slideText(const SlideCopy& copy) {
    std::string text = copy.kicker;
    text += '.';
    std::string headline;
    appendLines(headline, copy.headline);
    text += headline.empty() ? std::string(" ") + PRODUCT_NAME + " " + PRODUCT_VERSION : headline;
    text += '.';
    appendLines(text, copy.body);
    return text;
}

// A JSON string: the copy is plain text, quotes and backslashes the only
// characters to escape.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// `window.NAME = [...];`, one string a line.
template <typename Texts>
void appendArray(std::string& script, const char* name, const Texts& texts) {
    script += std::string("window.") + name + " = [\n";
    for (const auto& text : texts)
        script += "  " + quoted(text) + ",\n";
    script += "];\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_web_texts FILE.js\n");
        return 2;
    }
    std::vector<std::string> slides;
    for (const SlideCopy& copy : SLIDES)
        slides.push_back(slideText(copy));
    std::string script = "// Made by make_web_texts from the copy the slides and credits are lettered from.\n";
    appendArray(script, "showSlideTexts", slides);
    appendArray(script, "showCreditHeadings", CREDIT_HEADINGS);
    appendArray(script, "showCreditNames", CREDIT_NAMES);
    FILE* file = std::fopen(argv[1], "wb");
    const bool written = file != nullptr && std::fwrite(script.data(), 1, script.size(), file) == script.size();
    if (file == nullptr || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "make_web_texts: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
