#include "registration/virtual_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "platform/environment.h"
#include "registration/ide_user.h"
#include "tests/support/test_support.h"

namespace {

// The rows of one kind in the rules' data, each field with its <XX> bytes.
std::vector<std::vector<std::string>> Rows(const std::string& kind)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(test::ReadTestData("virtual-store-rules.txt"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(kind + "|", 0) != 0)
            continue;
        for (std::size_t at = line.find('<'); at != std::string::npos; at = line.find('<', at + 1))
            line.replace(at, 4, 1, static_cast<char>(std::stoi(line.substr(at + 1, 2), nullptr, 16)));
        std::vector<std::string> fields;
        std::istringstream cut(line + "|");
        for (std::string field; std::getline(cut, field, '|');)
            fields.push_back(field);
        rows.emplace_back(fields.begin() + 1, fields.end());
    }
    EXPECT_FALSE(rows.empty()) << kind;
    return rows;
}

TEST(VirtualStoreRules, CopiesLieInTheStoreUnderThePathWithoutItsDrive)
{
    const std::string store = "C:\\Users\\ann\\AppData\\Local\\VirtualStore";
    const auto expected = [&](std::string copy) { return copy == "-" ? "" : copy.replace(0, 1, store); };
    for (const auto& row : Rows("copy")) {
        VirtualStore virtualStore{store, {}};
        std::istringstream folders(row[0]);
        for (std::string folder; std::getline(folders, folder, ';');)
            virtualStore.virtualizedFolders.push_back(folder);
        EXPECT_EQ(VirtualStorePathOf(row[1], virtualStore, LeadBytes{}), expected(row[2])) << row[1];
        EXPECT_EQ(VirtualStorePathOf(row[1], virtualStore, LeadBytesFromRanges({{0x81, 0x9F}, {0xE0, 0xFC}})),
                  expected(row[3])) << row[1] << " in code page 932";
        EXPECT_EQ(VirtualStorePathOf(row[1], VirtualStore{"", virtualStore.virtualizedFolders}, LeadBytes{}), "");
    }
}

// Windows virtualizes the writes below each of these folders, where the
// machine puts them.
TEST(VirtualStoreRules, EveryFolderThatWindowsVirtualizesIsLookedUp)
{
    test::ScratchDirectory scratch;
    std::filesystem::create_directories(scratch.Native("Local/VirtualStore"));
    for (const char* name : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)", "SystemRoot", "ProgramData"}) {
        const std::string saved = EnvironmentVariable(name);
        test::SetEnvironment(name, "C:\\Virtualized");
        const VirtualStore store = FindVirtualStore(scratch.Path("Local"), SystemFileOps());
        test::SetEnvironment(name, saved);
        ASSERT_FALSE(store.folder.empty());
        EXPECT_EQ(VirtualStorePathOf("C:\\Virtualized\\Help\\d7.ohl", store),
                  store.folder + "\\Virtualized\\Help\\d7.ohl") << name;
    }
}

TEST(VirtualStoreRules, ACopyLiesInsideTheStoreOnlyBelowItsFolder)
{
    for (const auto& row : Rows("below"))
        EXPECT_EQ(LiesBelow(row[0], row[1], LeadBytesFromRanges({{0x81, 0x9F}, {0xE0, 0xFC}})), row[2] == "yes")
            << row[0] << " below " << row[1];
}

TEST(IdeUserRules, OnlyAWellFormedSidNamesAUser)
{
    for (const auto& row : Rows("sid"))
        EXPECT_EQ(IsWellFormedSid(row[0]), row[1] == "yes") << row[0];
}

}  // namespace
