// One word of a command line, read as GNU tools read long options: a valued
// option may carry its value in the same word, "--fps=30" as "--fps 30".
#pragma once

#include <string>

struct LongOption {
    std::string name;       // a "--" word up to its first '='; any other word whole
    bool hasValue = false;  // the word was "--name=value"
    std::string value;
};

LongOption splitLongOption(const std::string& word);
