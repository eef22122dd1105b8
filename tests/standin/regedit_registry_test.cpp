#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "standin/regedit_file.h"
#include "platform/registry.h"
#include "tests/support/test_support.h"

namespace {

const std::string kRoot = "HKEY_CURRENT_USER";

TEST(RegeditFile, EveryValueTypeRoundTripsExactly)
{
    const RegeditHive hive = {
        {"", {{"", 1, std::string("root default\0", 13)}}},
        {"Software\\Borland\\Delphi\\7.0",
         {
             {"RootDir", 1, std::string("C:\\Program Files\\Borland\\Delphi7\\\0", 34)},
             {"quote \" and \\ in name", 1, std::string("\"quoted\" \\\0", 12)},
             {"empty", 1, std::string("\0", 1)},
             {"no data", 1, ""},
             {"no nul", 1, "abc"},
             {"nul inside", 1, std::string("ab\0cd\0", 6)},
             {"line break", 1, std::string("a\r\nb\0", 5)},
             {"expand", 2, std::string("%ProgramFiles%\0", 15)},
             {"binary", 3, "\x00\xFF\x10"},
             {"binary empty", 3, ""},
             {"dword", 4, std::string("\x78\x56\x34\x12", 4)},
             {"short dword", 4, "\x01"},
             {"multi", 7, std::string("a\0b\0\0", 5)},
             {"odd type", 0x12345678, "x"},
             {"8-bit", 1, std::string("caf\xE9\0", 5)},
         }},
        {"Software\\Empty Key", {}},
    };
    const std::string text = FormatRegeditFile(hive, kRoot);
    EXPECT_EQ(ParseRegeditFile(text, kRoot), hive);
    EXPECT_NE(text.find("\"RootDir\"=\"C:\\\\Program Files\\\\Borland\\\\Delphi7\\\\\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"dword\"=dword:12345678\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"expand\"=hex(2):25,50"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Empty Key]\r\n"), std::string::npos);
    EXPECT_EQ(text.compare(0, 10, "REGEDIT4\r\n"), 0);
}

TEST(RegeditFile, ReadsWhatRegeditWrites)
{
    const std::string text =
        "REGEDIT4\n\n; exported\n[HKEY_CURRENT_USER\\Software\\A]\n\"bin\"=hex:01,02,\\\n  03\n"
        "@=\"d\"\n[hkey_current_user\\software\\a]\n\"BIN\"=hex(0):\n";
    const RegeditHive hive = ParseRegeditFile(text, kRoot);
    ASSERT_EQ(hive.size(), 1u);
    EXPECT_EQ(hive[0].path, "Software\\A");  // the case it was first written with
    ASSERT_EQ(hive[0].values.size(), 2u);
    EXPECT_EQ(hive[0].values[0], (RegeditValue{"bin", 0, ""}));  // replaced by the later line
    EXPECT_EQ(hive[0].values[1], (RegeditValue{"", 1, std::string("d\0", 2)}));
}

TEST(RegeditFile, MalformedFilesAreErrors)
{
    const char* cases[] = {
        "",
        "REGEDIT5\r\n",
        "Windows Registry Editor Version 5.00\r\n",
        "REGEDIT4\r\n\"v\"=\"x\"\r\n",
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"v\"\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"v\"=\"unterminated\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"v\"=\"bad \\n escape\"\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"v\"=dword:123\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"v\"=hex:1,2\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"v\"=hex(zz):01\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"v\"=-\r\n",
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\nstray text\r\n",
    };
    for (const char* text : cases)
        EXPECT_THROW(ParseRegeditFile(text, kRoot), ERegistryException) << text;
}

TEST(RegistryStandIn, KeepsTheCaseOfKeysAndMatchesAnyCase)
{
    test::ScratchDirectory scratch;
    test::UsePrivateRegistry(scratch.Native());
    RegistryAccessor registry;
    registry.WriteRegString("Software\\Borland\\Delphi\\7.0\\OpenHelp", "ProjectFile", "C:\\d7.ohp");
    EXPECT_EQ(registry.ReadRegString("SOFTWARE\\borland\\DELPHI\\7.0\\openhelp", "projectfile", ""), "C:\\d7.ohp");
    registry.WriteRegString("software\\borland\\delphi\\7.0\\openhelp\\New", "PROJECTFILE", "x");
    const std::string text = test::ReadFileBytes(scratch.Native("HKEY_CURRENT_USER.reg"));
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\OpenHelp\\New]"), std::string::npos);
    EXPECT_NE(text.find("\"ProjectFile\"=\"C:\\\\d7.ohp\""), std::string::npos);
}

TEST(RegistryStandIn, MalformedFileIsAnErrorAndLeftAsItWas)
{
    test::ScratchDirectory scratch;
    test::UsePrivateRegistry(scratch.Native());
    const std::string broken = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"v\"=oops\r\n";
    test::WriteFileBytes(scratch.Native("HKEY_LOCAL_MACHINE.reg"), broken);
    RegistryAccessor registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    EXPECT_THROW(registry.ReadRegString("Software", "v", ""), ERegistryException);
    EXPECT_THROW(registry.WriteRegString("Software\\Microsoft\\Windows\\Help", "h.hlp", "C:"), ERegistryException);
    EXPECT_THROW(registry.DeleteRegValue("Software", "v"), ERegistryException);
    EXPECT_EQ(test::ReadFileBytes(scratch.Native("HKEY_LOCAL_MACHINE.reg")), broken);
}

TEST(RegistryStandIn, WithoutARegistryDirectoryNothingCanBeWritten)
{
    unsetenv("SORVANE_REGISTRY");
    RegistryAccessor registry;
    EXPECT_EQ(registry.ReadRegString("Software", "v", "default"), "default");
    EXPECT_THROW(registry.WriteRegString("Software", "v", "x"), ERegistryException);
}

}  // namespace
