// One word of a command line, read as GNU tools read long options: a valued
// option may carry its value in the same word, "--fps=30" as "--fps 30".
#pragma once

#include <cstdint>
#include <string>

struct LongOption {
    std::string name;       // a "--" word up to its first '='; any other word whole
    bool hasValue = false;  // the word was "--name=value"
    std::string value;
};

LongOption splitLongOption(const std::string& word);

// A whole number in decimal digits alone (no sign, no space) that fits 32
// bits: a music time in ms, a count, a rate's term.
bool parseWholeNumber(const std::string& text, uint32_t& value);
