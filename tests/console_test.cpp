#include "platform/console.h"

#include <gtest/gtest.h>

#include "app/console_texts.h"
#include "platform/exceptions.h"
#include "tests/support/test_support.h"

namespace {

TEST(Console, LinesEndInCrLf)
{
    test::RecordingDevice device(true);
    Console console(device);
    console.WriteLine("one");
    console.WriteLine("");
    console.WriteLine("caf\xE9 \"x\" ");
    EXPECT_EQ(device.Bytes(), "one\r\n\r\ncaf\xE9 \"x\" \r\n");
}

TEST(Console, ConsoleGetsEachLineAsSoonAsItEnds)
{
    test::RecordingDevice device(true);
    Console console(device);
    console.WriteLine("first");
    ASSERT_EQ(device.Writes().size(), 1u);
    console.WriteLine("second");
    EXPECT_EQ(device.Writes(), (std::vector<std::string>{"first\r\n", "second\r\n"}));
}

TEST(Console, FileOrPipeGetsFull128ByteBlocksThenTheRestAtTheEnd)
{
    test::RecordingDevice device(false);
    Console console(device);
    console.WriteLine(std::string(60, 'a'));  // 62 bytes
    console.WriteLine(std::string(60, 'b'));  // 124
    EXPECT_TRUE(device.Writes().empty());
    console.WriteLine(std::string(300, 'c'));  // 426: three full blocks
    ASSERT_EQ(device.Writes().size(), 3u);
    for (const std::string& block : device.Writes())
        EXPECT_EQ(block.size(), Console::kBufferSize);
    console.FlushQuietly();
    ASSERT_EQ(device.Writes().size(), 4u);
    EXPECT_EQ(device.Writes()[3].size(), 426u - 3 * 128);
    EXPECT_EQ(device.Bytes(), std::string(60, 'a') + "\r\n" + std::string(60, 'b') + "\r\n" +
                                  std::string(300, 'c') + "\r\n");
}

TEST(Console, RefusedWriteRaises)
{
    test::RecordingDevice console_device(true, 0);
    Console console(console_device);
    EXPECT_THROW(console.WriteLine("x"), EInOutError);

    test::RecordingDevice file_device(false, 0);
    Console buffered(file_device);
    EXPECT_NO_THROW(buffered.WriteLine("short"));  // still in the buffer
    EXPECT_THROW(buffered.WriteLine(std::string(200, 'x')), EInOutError);
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
