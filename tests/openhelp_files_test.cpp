#include "registration/openhelp_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/console.h"
#include "platform/exceptions.h"
#include "tests/support/test_support.h"

namespace {

TEST(OpenHelpEntries, TemplatesTakeTheTextsUnchanged)
{
    const HelpEntries entries = HelpEntriesOf("My Help Reference", "C:\\myfolder\\myhelp.cnt", "C:\\myfolder\\myhelp.hlp");
    EXPECT_EQ(entries.include, ":INCLUDE myhelp.cnt");
    EXPECT_EQ(entries.link, ":LINK myhelp.hlp");
    EXPECT_EQ(entries.index, ":INDEX My Help Reference=myhelp.hlp");
    EXPECT_EQ(HelpEntriesOf("100% %s %d", "my%s.cnt", "my%s.hlp").index, ":INDEX 100% %s %d=my%s.hlp");
    EXPECT_EQ(OpenHelpFilesOf("C:\\Delphi7\\Help\\d7.ohp").helpIndexCache, "C:\\Delphi7\\Help\\d7.gid");
}

TEST(LocateOpenHelpFiles, ChecksEveryMemberInOrder)
{
    struct Case {
        const char* name;
        std::vector<std::string> files;  // present in the directory
        std::vector<std::string> directories;
        const char* message;  // empty when the set is complete
    };
    const Case cases[] = {
        {"complete", {"d7.ohp", "d7.ohc", "d7.ohl", "d7.ohi"}, {}, ""},
        {"no project", {"d7.ohc", "d7.ohl", "d7.ohi"}, {}, "Error: Delphi open help project file not found."},
        {"no content", {"d7.ohp", "d7.ohl", "d7.ohi"}, {}, "Error: Delphi open help content file not found."},
        {"no link", {"d7.ohp", "d7.ohc", "d7.ohi"}, {}, "Error: Delphi open help link file not found."},
        {"no index", {"d7.ohp", "d7.ohc", "d7.ohl"}, {}, "Error: Delphi open help index file not found."},
        {"only the project", {"d7.ohp"}, {}, "Error: Delphi open help content file not found."},
        {"directory as content file", {"d7.ohp", "d7.ohl", "d7.ohi"}, {"d7.ohc"},
         "Error: Delphi open help content file not found."},
        {"directory as project", {"d7.ohc", "d7.ohl", "d7.ohi"}, {"d7.ohp"},
         "Error: Delphi open help project file not found."},
    };
    for (const Case& row : cases) {
        test::ScratchDirectory scratch;
        for (const std::string& name : row.files)
            test::WriteFileBytes(scratch.Native(name), "");
        for (const std::string& name : row.directories)
            std::filesystem::create_directory(scratch.Native(name));
        test::RecordingDevice device;
        Console console(device);
        const std::string project = scratch.Path("d7.ohp");
        if (*row.message == '\0') {
            const OpenHelpFiles files = LocateOpenHelpFiles(project, console, SystemFileOps());
            EXPECT_EQ(files.contentFile, scratch.Path("d7.ohc"));
            EXPECT_EQ(files.linkFile, scratch.Path("d7.ohl"));
            EXPECT_EQ(files.indexFile, scratch.Path("d7.ohi"));
        } else {
            EXPECT_THROW(LocateOpenHelpFiles(project, console, SystemFileOps()), EAbort) << row.name;
        }
        console.FlushQuietly();
        EXPECT_EQ(device.Bytes(), *row.message ? std::string(row.message) + "\r\n" : "") << row.name;
    }
}

TEST(LocateOpenHelpFiles, EmptyOrExtensionlessProjectFile)
{
    test::RecordingDevice device;
    Console console(device);
    EXPECT_THROW(LocateOpenHelpFiles("", console, SystemFileOps()), EAbort);
    console.FlushQuietly();
    EXPECT_EQ(device.Bytes(), "Error: Delphi open help project file not found.\r\n");

    test::ScratchDirectory scratch;
    for (const char* name : {"project", "project.ohc", "project.ohl", "project.ohi"})
        test::WriteFileBytes(scratch.Native(name), "");
    const OpenHelpFiles files = LocateOpenHelpFiles(scratch.Path("project"), console, SystemFileOps());
    EXPECT_EQ(files.indexFile, scratch.Path("project.ohi"));
    EXPECT_EQ(files.helpIndexCache, scratch.Path("project.gid"));
}

}  // namespace
