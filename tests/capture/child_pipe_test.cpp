// Children fed through a pipe: bytes arrive, exit statuses come back, a
// missing program or a gone reader is an answer rather than a crash, and no
// child holds another's pipe open.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/child_pipe.h"

namespace {

std::string scratch(const char* name) { return "/tmp/child-pipe-" + std::to_string(getpid()) + "-" + name; }

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ChildPipe, BytesReachTheChildAndItsStatusComesBack) {
    const std::string out = scratch("cat");
    ChildPipe child;
    std::string error;
    ASSERT_TRUE(child.open({"sh", "-c", "cat > '" + out + "'; exit 3"}, error)) << error;
    ASSERT_TRUE(child.write("frame one\n", 10));
    ASSERT_TRUE(child.write("frame two\n", 10));
    EXPECT_EQ(child.close(), 3);
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
    ASSERT_TRUE(child.open({"true"}, error)) << error;
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
    ASSERT_TRUE(first.open({"sh", "-c", "cat > /dev/null; echo eof > '" + out + "'"}, error)) << error;
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(second.open({"sleep", std::to_string(LATER_CHILD_LIFE.count())}, error)) << error;
    EXPECT_EQ(first.close(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, LATER_CHILD_LIFE);
    EXPECT_EQ(fileText(out), "eof\n");
    second.kill();
    EXPECT_FALSE(second.isOpen());
    std::remove(out.c_str());
}

TEST(RunChild, WaitsWithStdinAtEndOfFile) {
    int status = -1;
    std::string error;
    ASSERT_TRUE(runChild({"sh", "-c", "cat; exit 4"}, status, error)) << error;
    EXPECT_EQ(status, 4);
}

}  // namespace
