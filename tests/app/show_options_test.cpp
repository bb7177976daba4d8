#include "app/show_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool parse(std::vector<const char*> args, ShowOptions& options, std::string& error) {
    args.insert(args.begin(), "pelmira15");
    return parseShowOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(ShowOptions, ReadsEachOptionIntoItsFieldAndStartsFromTheDefaultsEachTime) {
    ShowOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--window", "--display", "2"}, options, error)) << error;
    EXPECT_TRUE(options.window);
    EXPECT_EQ(options.displayIndex, 2);
    EXPECT_FALSE(options.help || options.version);

    ASSERT_TRUE(parse({"--display=63", "--version"}, options, error)) << error;
    EXPECT_FALSE(options.window) << "a second parse keeps nothing of the first";
    EXPECT_EQ(options.displayIndex, 63);
    EXPECT_TRUE(options.version);

    ASSERT_TRUE(parse({"-h"}, options, error)) << error;
    EXPECT_TRUE(options.help);
    EXPECT_EQ(options.displayIndex, 0);
}

TEST(ShowOptions, RefusesAWrongLineInOneLineNamingTheWord) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> wrong = {
        {{"--fullscreen"}, "unknown option '--fullscreen'"},
        {{"extra"}, "unexpected argument 'extra'"},
        {{"--window=yes"}, "--window takes no value"},
        {{"--display"}, "--display needs a monitor number"},
        {{"--display", "64"}, "--display takes a monitor number from 0 to 63, not '64'"},
        {{"--display", "-1"}, "--display takes a monitor number from 0 to 63, not '-1'"},
        {{"--display=1x"}, "--display takes a monitor number from 0 to 63, not '1x'"},
        {{"--display="}, "--display takes a monitor number from 0 to 63, not ''"},
        {{"--display", "99999999999999999999"},
         "--display takes a monitor number from 0 to 63, not '99999999999999999999'"},
    };
    for (const auto& [args, said] : wrong) {
        ShowOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, options, error)) << said;
        EXPECT_EQ(error, said);
    }
}

}  // namespace
