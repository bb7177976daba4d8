// Children fed through a pipe: bytes arrive, exit statuses come back, a
// missing program or a gone reader is an answer rather than a crash, no
// child holds another's pipe open, and arguments arrive as they were given.
// The child is child_pipe_helper, so the suite runs on every desktop.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/child_pipe.h"

namespace {

const std::string HELPER = CHILD_PIPE_HELPER;

// Unique per run: the plain and the sanitized trees share the temporary folder.
std::string scratch(const char* name) {
    static const std::string run = std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    return testing::TempDir() + "child-pipe-" + run + "-" + name;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ChildPipe, BytesReachTheChildAndItsStatusComesBack) {
    const std::string out = scratch("copy");
    ChildPipe child;
    std::string error;
    ASSERT_TRUE(child.open({HELPER, "copy", out, "3"}, error)) << error;
    ASSERT_TRUE(child.write("frame one\n", 10));
    ASSERT_TRUE(child.write("frame two\n", 10));
    EXPECT_EQ(child.close(), 3);
    EXPECT_FALSE(child.isOpen());
    EXPECT_EQ(fileText(out), "frame one\nframe two\n");
    std::remove(out.c_str());
}

TEST(ChildPipe, MissingProgramIsAReasonNotAChild) {
    ChildPipe child;
    std::string error;
    EXPECT_FALSE(child.open({"no-such-program-for-the-recorder"}, error));
    EXPECT_NE(error.find("no-such-program-for-the-recorder"), std::string::npos) << error;
    EXPECT_FALSE(child.isOpen());
    int status = 0;
    EXPECT_FALSE(runChild({"no-such-program-for-the-recorder"}, status, error));
}

TEST(ChildPipe, GoneReaderFailsTheWriteWithoutKillingUs) {
    ChildPipe child;
    std::string error;
    ASSERT_TRUE(child.open({HELPER, "exit", "0"}, error)) << error;
    const std::vector<char> block(1 << 20, 'x');
    bool failed = false;
    for (int i = 0; i < 64 && !failed; ++i)
        failed = !child.write(block.data(), block.size());
    EXPECT_TRUE(failed);
    EXPECT_EQ(child.close(), 0);
}

// Were the first's pipe held open by the later child, the first's reader
// would see its end, and close() return, only once the later child ended:
// never sooner than its life after it started, however busy the machine.
TEST(ChildPipe, ALaterChildDoesNotHoldTheFirstOnesPipe) {
    constexpr std::chrono::seconds LATER_CHILD_LIFE{60};
    const std::string out = scratch("eof");
    ChildPipe first, second;
    std::string error;
    ASSERT_TRUE(first.open({HELPER, "copy", out, "0"}, error)) << error;
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(second.open({HELPER, "sleep", std::to_string(LATER_CHILD_LIFE.count())}, error)) << error;
    ASSERT_TRUE(first.write("eof\n", 4));
    EXPECT_EQ(first.close(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, LATER_CHILD_LIFE);
    EXPECT_EQ(fileText(out), "eof\n");
    second.kill();
    EXPECT_FALSE(second.isOpen());
    std::remove(out.c_str());
}

// Windows passes one command line that the child splits again: blanks,
// quotes and backslashes before them must survive the round trip.
TEST(RunChild, ArgumentsArriveAsGivenWithStdinAtEndOfFile) {
    const std::string out = scratch("args");
    const std::vector<std::string> args = {"plain", "", "two words", "say \"hi\"", "tail\\", "back\\\\\"slash", "a\\b"};
    std::vector<std::string> argv = {HELPER, "args", out};
    argv.insert(argv.end(), args.begin(), args.end());
    int status = -1;
    std::string error;
    ASSERT_TRUE(runChild(argv, status, error)) << error;
    EXPECT_EQ(status, 0);
    std::string expected;
    for (const std::string& arg : args)
        expected += arg + "\n";
    EXPECT_EQ(fileText(out), expected);

    ASSERT_TRUE(runChild({HELPER, "copy", out, "4"}, status, error)) << error;
    EXPECT_EQ(status, 4);
    EXPECT_EQ(fileText(out), "");
    std::remove(out.c_str());
}

}  // namespace
