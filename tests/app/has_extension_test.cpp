#include <gtest/gtest.h>

#include "app/run_sequence.h"

namespace {

TEST(HasExtension, FindsNamesAnywhereAsPlainRuns) {
    const char* driver = "GL_ARB_multitexture GL_EXT_texture_env_combine";
    EXPECT_TRUE(hasExtension("ARB_multitexture", driver));
    EXPECT_TRUE(hasExtension("EXT_texture_env_combine", driver)) << "last entry, no trailing blank";
    EXPECT_TRUE(hasExtension("GL_ARB_multi", driver)) << "a prefix of a longer name counts";
    EXPECT_FALSE(hasExtension("ARB_multitexture", "GL_EXT_texture_env_combine"));
}

TEST(HasExtension, StringShorterThanTheNameIsFalse) {
    EXPECT_FALSE(hasExtension("EXT_texture_env_combine", "GL_EXT"));
    EXPECT_FALSE(hasExtension("ARB_multitexture", ""));
    EXPECT_TRUE(hasExtension("", ""));
}

TEST(HasExtension, NameExactlyTheWholeString) {
    EXPECT_TRUE(hasExtension("ARB_multitexture", "ARB_multitexture"));
    EXPECT_FALSE(hasExtension("ARB_multitexturf", "ARB_multitexture"));
}

}  // namespace
