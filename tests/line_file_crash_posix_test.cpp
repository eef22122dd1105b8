#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>

#include "tests/support/test_support.h"

namespace {

// Kills a process that saves a large line file over and over, at random
// moments: each time the file holds its old text or its new text, whole.
TEST(LineFileCrash, KilledSaveLeavesOldOrNewTextWhole)
{
    test::ScratchDirectory scratch;
    std::string without;
    for (int i = 0; i < 50000; ++i)
        without += ":LINK help" + std::to_string(i) + ".hlp\r\n";
    const std::string with = without + ":LINK crash-test.hlp\r\n";
    test::WriteFileBytes(scratch.Native("d7.ohl"), without);
    const std::string path = scratch.Path("d7.ohl");

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayMicroseconds(0, 40000);
    int sawWith = 0;
    int sawWithout = 0;
    const int kills = 40;
    for (int kill = 0; kill < kills; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            execl(LINE_FILE_SAVER, LINE_FILE_SAVER, path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself";

        const std::string bytes = test::ReadFileBytes(scratch.Native("d7.ohl"));
        ASSERT_TRUE(bytes == with || bytes == without) << "kill " << kill << ": " << bytes.size() << " bytes";
        (bytes == with ? sawWith : sawWithout)++;
        // A killed save may leave its temporary file behind, never the line file half written.
        for (const auto& entry : std::filesystem::directory_iterator(scratch.Native()))
            if (entry.path().filename() != "d7.ohl")
                std::filesystem::remove(entry.path());
    }
    std::cout << "kills: " << kills << ", old text " << sawWithout << ", new text " << sawWith << "\n";
}

}  // namespace
