#include "app/long_option.h"

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
