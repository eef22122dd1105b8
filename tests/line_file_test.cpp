#include "registration/line_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <typeinfo>

#include "platform/exceptions.h"
#include "platform/file_rules.h"
#include "registration/replace_file.h"
#include "tests/support/edit_line_file.h"
#include "tests/support/faulty_file_ops.h"
#include "tests/support/test_support.h"

namespace {

// An empty line rewrites the file, as the project file is rewritten.
void Edit(const std::string& path, const std::string& line, bool remove, FileOps& files = SystemFileOps())
{
    test::EditLineFile(path, line, line.empty() ? LineEdit::kRewrite : remove ? LineEdit::kRemove : LineEdit::kAdd,
                       files);
}

using test::FaultyFileOps;
using Views = std::vector<std::string_view>;

TEST(CutLines, EveryKindOfLineBreak)
{
    const std::pair<std::string, Views> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r", {"a"}},
        {"\r", {""}},
        {"a\n\r", {"a", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"\n\n\n", {"", "", ""}},
        {"no final break", {"no final break"}},
        {" blanks kept \t", {" blanks kept \t"}},
    };
    for (const auto& [text, lines] : cases) {
        // In a buffer of its exact size: the sanitizers catch a read past its end.
        const std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        EXPECT_EQ(CutLines(std::string_view(exact.get(), text.size())), lines) << testing::PrintToString(text);
    }
}

class LineFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& bytes)
    {
        test::WriteFileBytes(scratch_.Native("d7.ohl"), bytes);
        return scratch_.Path("d7.ohl");
    }
    std::string Bytes() const { return test::ReadFileBytes(scratch_.Native("d7.ohl")); }
    // Nothing but the line file itself: no temporary file is ever left behind.
    std::size_t FilesInDirectory() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(scratch_.Native()),
                                                      std::filesystem::directory_iterator()));
    }

    test::ScratchDirectory scratch_;
};

TEST_F(LineFileTest, AddsRemovesAndRewrites)
{
    struct Case {
        const char* name;
        std::string before;
        std::string line;
        bool remove;
        std::string after;
    };
    const Case cases[] = {
        {"append to CR LF file", ":LINK a.hlp\r\n", ":LINK myhelp.hlp", false, ":LINK a.hlp\r\n:LINK myhelp.hlp\r\n"},
        {"append after a last line without break", ":LINK a.hlp", ":LINK myhelp.hlp", false,
         ":LINK a.hlp\r\n:LINK myhelp.hlp\r\n"},
        {"append to LF file rewrites every break", "a\nb\n", "x", false, "a\r\nb\r\nx\r\n"},
        {"append to CR file", "a\rb", "x", false, "a\r\nb\r\nx\r\n"},
        {"append to LF CR file keeps the empty line", "a\n\rb", "x", false, "a\r\n\r\nb\r\nx\r\n"},
        {"append to empty file", "", "x", false, "x\r\n"},
        {"present in other case: untouched", "a\n:link MYHELP.HLP\n", ":LINK myhelp.hlp", false,
         "a\n:link MYHELP.HLP\n"},
        {"present twice: untouched", "x\nx\n", "x", false, "x\nx\n"},
        {"blanks count", "x\n", " x", false, "x\r\n x\r\n"},
        {"remove", "a\r\n:LINK myhelp.hlp\r\nb\r\n", ":LINK myhelp.hlp", true, "a\r\nb\r\n"},
        {"remove the differently cased line", "a\n:link MYHELP.HLP\nb", ":LINK myhelp.hlp", true, "a\r\nb\r\n"},
        {"remove the first of two", "x\ny\nX\n", "x", true, "y\r\nX\r\n"},
        {"remove the only line", "x\n", "x", true, ""},
        {"remove absent: untouched", "a\nb\n", "x", true, "a\nb\n"},
        {"rewrite unchanged, install", "a\rb\n\rc", "", false, "a\r\nb\r\n\r\nc\r\n"},
        {"rewrite unchanged, uninstall", "a\nb", "", true, "a\r\nb\r\n"},
        {"rewrite of an empty file", "", "", false, ""},
        {"8-bit bytes kept", "caf\xE9\n", "x", false, "caf\xE9\r\nx\r\n"},
    };
    for (const Case& row : cases) {
        const std::string path = Write(row.before);
        Edit(path, row.line, row.remove);
        EXPECT_EQ(Bytes(), row.after) << row.name;
        EXPECT_EQ(FilesInDirectory(), 1u) << row.name;
    }
}

TEST_F(LineFileTest, LargeFileIsWrittenWhole)
{
    std::string before;
    for (int i = 0; i < 20000; ++i)
        before += ":INDEX Entry number " + std::to_string(i) + "=file" + std::to_string(i) + ".hlp\n";
    const std::string path = Write(before);
    Edit(path, "", false);
    std::string expected = before;
    for (std::size_t at = expected.find('\n'); at != std::string::npos; at = expected.find('\n', at + 2))
        expected.replace(at, 1, "\r\n");
    EXPECT_EQ(Bytes(), expected);
}

TEST_F(LineFileTest, MissingFileRaisesAndIsNotCreated)
{
    const std::string path = scratch_.Path("missing.ohl");
    for (bool remove : {false, true}) {
        try {
            Edit(path, ":LINK x.hlp", remove);
            ADD_FAILURE() << "no exception";
        } catch (const EFOpenError& error) {
            EXPECT_EQ(error.Message(), "Cannot open file " + path);
        }
    }
    EXPECT_THROW(Edit(path, "", false), EFOpenError);
    EXPECT_FALSE(std::filesystem::exists(scratch_.Native("missing.ohl")));
    std::filesystem::create_directory(scratch_.Native("dir.ohl"));
    EXPECT_THROW(Edit(scratch_.Path("dir.ohl"), "", false), EFOpenError);
}

TEST_F(LineFileTest, FileWithNulByteIsRefusedAndLeftUntouched)
{
    const std::string utf16(":\0L\0I\0N\0K\0\r\0\n\0", 14);
    const std::string cases[] = {std::string("a\r\nb\0c\r\n", 8), std::string("\0", 1), utf16};
    for (const std::string& before : cases) {
        for (const auto& [line, remove] : {std::pair<std::string, bool>{"x", false}, {"a", true}, {"", false}}) {
            const std::string path = Write(before);
            EXPECT_THROW(Edit(path, line, remove), EInvalidTextFile);
            EXPECT_EQ(Bytes(), before);
            EXPECT_EQ(FilesInDirectory(), 1u);
        }
    }
}

TEST_F(LineFileTest, FailedSaveLeavesTheOriginalAsItWas)
{
    struct Case {
        const char* name;
        FaultyFileOps::Kind kind;
        FaultyFileOps::Fault fault;
        const std::type_info& type;
        const char* message;
    };
    const Case cases[] = {
        {"cannot open", FaultyFileOps::kOpen, FaultyFileOps::Fault::kFail, typeid(EFOpenError), "Cannot open file "},
        {"cannot find the size", FaultyFileOps::kSize, FaultyFileOps::Fault::kFail, typeid(EReadError),
         "Stream read error"},
        {"cannot read", FaultyFileOps::kRead, FaultyFileOps::Fault::kFail, typeid(EReadError), "Stream read error"},
        {"short write", FaultyFileOps::kWrite, FaultyFileOps::Fault::kPartial, typeid(EWriteError),
         "Stream write error"},
        {"failed write", FaultyFileOps::kWrite, FaultyFileOps::Fault::kFail, typeid(EWriteError), "Stream write error"},
        {"failed flush", FaultyFileOps::kFlush, FaultyFileOps::Fault::kFail, typeid(EWriteError), "Stream write error"},
        // Another program holds the file for longer than the run waits.
        {"held open", FaultyFileOps::kOpen, FaultyFileOps::Fault::kHeld, typeid(EFOpenError), "Cannot open file "},
        {"temporary file held", FaultyFileOps::kCreateNew, FaultyFileOps::Fault::kHeld, typeid(EFCreateError),
         "Cannot create file "},
        {"held against the replace", FaultyFileOps::kRename, FaultyFileOps::Fault::kHeld, typeid(EFCreateError),
         "Cannot create file "},
        // The temporary file cannot be created: what another user put at its
        // name is never opened through or truncated, as it may be a link.
        {"a file planted at the temporary name", FaultyFileOps::kCreateNew, FaultyFileOps::Fault::kPlanted,
         typeid(EFCreateError), "Cannot create file "},
    };
    const std::string before = "a\nb\n";
    for (const Case& row : cases) {
        const std::string path = Write(before);
        FaultyFileOps files(row.kind, 1, row.fault);
        try {
            Edit(path, "x", false, files);
            ADD_FAILURE() << row.name << ": no exception";
        } catch (const Exception& error) {
            const std::string expected =
                std::string(row.message) + (std::string(row.message).back() == ' ' ? path : std::string());
            EXPECT_EQ(error.Message(), expected) << row.name;
            EXPECT_TRUE(typeid(error) == row.type) << row.name << ": " << typeid(error).name();
        }
        EXPECT_TRUE(files.Failed()) << row.name;
        // Tried again after 50, 100, 200 ... ms, 3 seconds in all, then given up.
        EXPECT_EQ(files.Paused().count(), row.fault == FaultyFileOps::Fault::kHeld ? 3150 : 0) << row.name;
        EXPECT_EQ(Bytes(), before) << row.name;
        // Only a file planted at the temporary name stays, untouched.
        const std::filesystem::path temporary = scratch_.Native("d7.ohl.svtmp");
        EXPECT_EQ(std::filesystem::exists(temporary) ? test::ReadFileBytes(temporary) : "",
                  row.fault == FaultyFileOps::Fault::kPlanted ? "planted" : "")
            << row.name;
        std::filesystem::remove(temporary);
        EXPECT_EQ(FilesInDirectory(), 1u) << row.name;
    }
}

TEST_F(LineFileTest, OnlyTheBytesReallyReadCount)
{
    // A file that yields less than its size, and one that yields it in parts.
    const std::string path = Write("a\nb");
    FaultyFileOps overstated(FaultyFileOps::kSize, 1, FaultyFileOps::Fault::kOverstated);
    Edit(path, "", false, overstated);
    EXPECT_EQ(Bytes(), "a\r\nb\r\n");

    Write("first\nsecond\n");
    FaultyFileOps partial(FaultyFileOps::kRead, 1, FaultyFileOps::Fault::kPartial);
    Edit(path, "third", false, partial);
    EXPECT_TRUE(partial.Failed());
    EXPECT_EQ(Bytes(), "first\r\nsecond\r\nthird\r\n");
}

// A plain file at the temporary name is what a killed run left, and is
// cleared; anything else there is never followed or written through: the
// save fails and leaves it all as it was.
TEST_F(LineFileTest, NothingAtTheTemporaryNameIsWrittenThrough)
{
    for (const bool link : {false, true}) {
        const std::string path = Write("a\n");
        const std::filesystem::path planted = scratch_.Native("d7.ohl.svtmp");
        const std::filesystem::path outside = scratch_.Native("outside.txt");
        test::WriteFileBytes(outside, "not ours");
        if (link)
            ASSERT_TRUE(test::MakeSymbolicLink(outside, planted));
        else
            test::WriteFileBytes(planted, "half a save");
        if (link)
            EXPECT_THROW(Edit(path, "x", false), EFCreateError);
        else
            Edit(path, "x", false);
        EXPECT_EQ(Bytes(), link ? "a\n" : "a\r\nx\r\n") << (link ? "link" : "file");
        EXPECT_EQ(std::filesystem::exists(planted), link);
        EXPECT_EQ(test::ReadFileBytes(outside), "not ours");
        test::RemoveSymbolicLinks(planted);
        std::filesystem::remove(planted);
        std::filesystem::remove(outside);
    }
}

// A folder of a user's VirtualStore, or the store itself, swapped for a
// link to another folder after the edit was planned: neither the save, a
// reading, a copy nor a deletion there reaches the files that the link
// leads to, nor leaves anything beside them; and a file with a second name
// is never read, nor renamed into another's place.
TEST_F(LineFileTest, AConfinedSaveNeverFollowsALinkPutOnTheWayAfterThePlan)
{
    for (const std::string swapped : {"store/Help", "store"}) {
        test::ScratchDirectory scratch;
        test::WriteFileBytes(scratch.Native("myhelp.als"), "alias");
        for (const std::string folder : {"store/Help", "elsewhere/Help"}) {
            std::filesystem::create_directories(scratch.Native(folder));
            for (const char* name : {"/d7.ohl", "/d7.gid"})
                test::WriteFileBytes(scratch.Native(folder + name), folder);
        }
        FileOps& files = SystemFileOps();
        const std::unique_ptr<FileOps> store = ConfinedTo(files, files.FinalPath(scratch.Path("store")));
        const std::string help = files.FinalPath(scratch.Path("store/Help"));
        const LineFileEdit edit = PlanLineFileEdit(help + "\\d7.ohl", ":LINK myhelp.hlp", LineEdit::kAdd, *store);
        std::filesystem::rename(scratch.Native(swapped), scratch.Native(swapped + "-moved"));
        const std::string target = swapped == "store" ? "elsewhere" : "elsewhere/Help";
        ASSERT_TRUE(test::MakeSymbolicLink(scratch.Native(target), scratch.Native(swapped)));
        EXPECT_THROW(SaveLineFileEdits({&edit}), EFCreateError) << swapped;
        EXPECT_THROW(PlanLineFileEdit(help + "\\d7.ohl", "", LineEdit::kRewrite, *store), EFOpenError) << swapped;
        CopyOver(scratch.Path("myhelp.als"), help + "\\myhelp.als", *store);
        RemoveFile(help + "\\d7.gid", *store);
        for (const char* name : {"elsewhere/Help/d7.ohl", "elsewhere/Help/d7.gid"})
            EXPECT_EQ(test::ReadFileBytes(scratch.Native(name)), "elsewhere/Help") << swapped << " " << name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Native("elsewhere/Help")), {}), 2);
        test::RemoveSymbolicLinks(scratch.Native(swapped));
        const std::string moved = files.FinalPath(scratch.Path(swapped + "-moved"));
        std::filesystem::create_hard_link(scratch.Native("myhelp.als"), scratch.Native(swapped + "-moved/second"));
        test::WriteFileBytes(scratch.Native(swapped + "-moved/single"), "single");
        EXPECT_THROW(LoadFileText(moved + "\\second", *ConfinedTo(files, moved)), EFOpenError);
        EXPECT_EQ(LoadFileText(moved + "\\single", *ConfinedTo(files, moved)).size(), 6u);
        // Nor does a second name put at a temporary name take a file's place,
        // or lose its attributes.
        EXPECT_NE(ConfinedTo(files, moved)->Rename(moved + "\\second", moved + "\\single"), FileStep::kDone);
        test::SetReadOnly(scratch.Native("myhelp.als"), true);
        EXPECT_FALSE(ConfinedTo(files, moved)->MakeNormal(moved + "\\second"));
        EXPECT_TRUE(files.IsReadOnly(scratch.Path("myhelp.als")));
        test::SetReadOnly(scratch.Native("myhelp.als"), false);
        EXPECT_EQ(test::ReadFileBytes(scratch.Native(swapped + "-moved/single")), "single");
    }
}

TEST_F(LineFileTest, WholeFileTextRoundTripsByteForByte)
{
    const std::string bytes("a\nb\0c\r", 7);
    const std::string path = Write("old");
    ReplacementFile replacement(path, path, SystemFileOps());
    replacement.Append(bytes);
    replacement.Commit();
    EXPECT_EQ(Bytes(), bytes);
    const std::vector<char> text = LoadFileText(path, SystemFileOps());
    EXPECT_EQ(std::string(text.begin(), text.end()), bytes);
}

}  // namespace
