#include "platform/Output.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>

namespace corvatine::platform {
namespace {

TEST(OutputTest, TextAndWholeNumbersAsWritten) {
    CStringOutput out;
    const std::string text = "text";
    out << "a " << std::string_view("b ") << text << ' ' << 0 << ' ' << -17 << ' ' << 42u << ' ' << INT64_MIN
        << ' ' << UINT64_MAX << ' ' << size_t{7} << ' ' << static_cast<short>(-3) << '\t'
        << static_cast<unsigned char>('u') << static_cast<signed char>('s');
    EXPECT_EQ(out.Text(), "a b text 0 -17 42 -9223372036854775808 18446744073709551615 7 -3\tus");
    EXPECT_FALSE(out.Failed());
}

// The bytes a descriptor has received so far, read from the pipe's other end.
class PipeOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::pipe2(m_ends, O_CLOEXEC | O_NONBLOCK), 0);
        ::fcntl(m_ends[1], F_SETPIPE_SZ, 1 << 20);
    }
    void TearDown() override {
        for (const int fd : m_ends)
            if (fd >= 0) ::close(fd);
    }
    std::string Received() {
        std::string bytes;
        char block[65536];
        for (ssize_t n; (n = ::read(m_ends[0], block, sizeof block)) > 0;)
            bytes.append(block, static_cast<size_t>(n));
        return bytes;
    }
    int Writer() const { return m_ends[1]; }

    int m_ends[2] = {-1, -1};
};

TEST_F(PipeOutputTest, FullBufferingWritesOnFlushAndAtTheEndInOrder) {
    const std::string big(200000, 'x');
    std::string expected;
    {
        CDescriptorOutput out(Writer(), CDescriptorOutput::Buffering::Full);
        out << "first\n" << 12 << "\n";
        EXPECT_EQ(Received(), "");
        out.Flush();
        EXPECT_EQ(Received(), "first\n12\n");
        // A write larger than the block goes out after what is held.
        out << "held ";
        out.Write(big.data(), big.size());
        expected = "held " + big;
        EXPECT_EQ(Received(), expected);
        out << "last";
        EXPECT_EQ(Received(), "");
    }
    EXPECT_EQ(Received(), "last");
}

TEST_F(PipeOutputTest, LineBufferingWritesAtEachLineEnd) {
    CDescriptorOutput out(Writer(), CDescriptorOutput::Buffering::Line);
    out << "part";
    EXPECT_EQ(Received(), "");
    out << " and end\nnext";
    EXPECT_EQ(Received(), "part and end\nnext");
    out << "more";
    EXPECT_EQ(Received(), "");
    out.Flush();
    EXPECT_EQ(Received(), "more");
}

TEST_F(PipeOutputTest, NoBufferingWritesAtOnce) {
    CDescriptorOutput out(Writer(), CDescriptorOutput::Buffering::None);
    out << "now";
    EXPECT_EQ(Received(), "now");
}

// A write that fails is kept with its reason; what follows is dropped.
TEST(OutputTest, AFailedWriteIsReportedWithItsReason) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0) GTEST_SKIP() << "no /dev/full";
    {
        CDescriptorOutput out(full, CDescriptorOutput::Buffering::Full);
        out << "lost";
        EXPECT_FALSE(out.Failed());
        out.Flush();
        EXPECT_TRUE(out.Failed());
        EXPECT_EQ(out.Error(), ENOSPC);
        out << "also lost";
        out.Flush();
        EXPECT_EQ(out.Error(), ENOSPC);
    }
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    ::close(ends[0]);
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    {
        CDescriptorOutput out(ends[1], CDescriptorOutput::Buffering::None);
        out << "nobody reads";
        EXPECT_EQ(out.Error(), EPIPE);
    }
    ::sigaction(SIGPIPE, &previous, nullptr);
    ::close(ends[1]);
    ::close(full);
}

}  // namespace
}  // namespace corvatine::platform
