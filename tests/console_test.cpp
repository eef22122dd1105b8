#include "platform/console.h"

#include <gtest/gtest.h>

#include "app/console_texts.h"
#include "platform/exceptions.h"
#include "tests/support/test_support.h"

namespace {

TEST(Console, ConsoleGetsEachLineInCrLfAsSoonAsItEnds)
{
    test::RecordingDevice device(true);
    Console console(device);
    console.WriteLine("one");
    ASSERT_EQ(device.Writes().size(), 1u);
    console.WriteLine("");
    console.WriteLine("caf\xE9 \"x\" ");
    EXPECT_EQ(device.Writes(), (std::vector<std::string>{"one\r\n", "\r\n", "caf\xE9 \"x\" \r\n"}));
}

TEST(Console, FileOrPipeGetsFull128ByteBlocksThenTheRestAtTheEnd)
{
    const struct {
        const char* name;
        std::vector<std::size_t> lines;  // lengths, each followed by CR LF
        std::size_t blocksAtOnce;
    } cases[] = {
        {"one byte short of a block", {125}, 0},
        {"a line that ends a block exactly", {126}, 1},
        {"two lines that end a block exactly", {60, 64}, 1},
        {"lines across three blocks", {60, 60, 300}, 3},
    };
    for (const auto& row : cases) {
        test::RecordingDevice device(false);
        Console console(device);
        std::string expected;
        for (std::size_t length : row.lines) {
            console.WriteLine(std::string(length, 'a'));
            expected += std::string(length, 'a') + "\r\n";
        }
        ASSERT_EQ(device.Writes().size(), row.blocksAtOnce) << row.name;
        for (const std::string& block : device.Writes())
            EXPECT_EQ(block.size(), Console::kBufferSize) << row.name;
        console.FlushQuietly();
        EXPECT_EQ(device.Bytes(), expected) << row.name;
        EXPECT_EQ(device.Writes().size(), row.blocksAtOnce + (expected.size() % Console::kBufferSize ? 1 : 0))
            << row.name;
    }
}

// Refuses its first write and takes every later one.
class RefusingOnceDevice : public test::RecordingDevice {
public:
    explicit RefusingOnceDevice(bool characterDevice) : RecordingDevice(characterDevice) {}
    bool Write(const char* data, std::size_t size) override
    {
        if (refused_)
            return RecordingDevice::Write(data, size);
        refused_ = true;
        return false;
    }

private:
    bool refused_ = false;
};

TEST(Console, RefusedWriteFailsTheRunAndIsNotSentAgain)
{
    const struct {
        const char* name;
        bool characterDevice;
        std::size_t refusedLine;  // the length of the line whose write is refused
        std::string sent;         // all that reaches the device
    } cases[] = {
        {"a console line", true, 1, "after\r\n"},
        {"a line that ends a block exactly", false, 126, "after\r\n"},
        {"a line that fills more than a block", false, 200, std::string(72, 'x') + "\r\nafter\r\n"},
    };
    for (const auto& row : cases) {
        RefusingOnceDevice device(row.characterDevice);
        Console console(device);
        EXPECT_THROW(console.WriteLine(std::string(row.refusedLine, 'x')), EInOutError) << row.name;
        console.WriteLine("after");
        console.FlushQuietly();
        EXPECT_EQ(device.Bytes(), row.sent) << row.name;
    }
}

TEST(Console, FinalFlushIsUnchecked)
{
    test::RecordingDevice device(false, 0);
    Console console(device);
    console.WriteLine("short");
    EXPECT_NO_THROW(console.FlushQuietly());
}

TEST(ConsoleTexts, BannerAndUsageAreExact)
{
    test::RecordingDevice device(true);
    Console console(device);
    ShowBanner(console);
    EXPECT_EQ(device.Bytes(), test::ReadTestData("banner.txt"));

    test::RecordingDevice usageDevice(true);
    Console usageConsole(usageDevice);
    ShowUsage(usageConsole);
    const std::string usage = usageDevice.Bytes();
    EXPECT_EQ(usage, test::ReadTestData("usage.txt"));

    // Only lines 7, 8, 9 and 22 end in a blank; the descriptions begin in column 23.
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = usage.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(usage.substr(start, end - start));
    ASSERT_EQ(lines.size(), 24u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool trailingBlank = !lines[i].empty() && lines[i].back() == ' ';
        EXPECT_EQ(trailingBlank, i + 1 == 7 || i + 1 == 8 || i + 1 == 9 || i + 1 == 22) << "line " << i + 1;
        if (i + 1 >= 5 && i + 1 <= 18 && !lines[i].empty()) {
            EXPECT_EQ(lines[i].find_first_not_of(' ', lines[i][2] == ' ' ? 0 : lines[i].find(' ', 2)), 22u)
                << "line " << i + 1;
        }
    }
}

}  // namespace
