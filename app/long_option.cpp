#include "app/long_option.h"

#include <cerrno>
#include <cstdlib>

namespace {

constexpr const char* LONG_PREFIX = "--";

}  // namespace

LongOption splitLongOption(const std::string& word) {
    LongOption option;
    const size_t equals = word.rfind(LONG_PREFIX, 0) == 0 ? word.find('=') : std::string::npos;
    option.name = word.substr(0, equals);
    option.hasValue = equals != std::string::npos;
    if (option.hasValue)
        option.value = word.substr(equals + 1);
    return option;
}

bool parseWholeNumber(const std::string& text, uint32_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed > UINT32_MAX)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}
