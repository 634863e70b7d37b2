// The manager's command lines: quoting of both paths, registered paths that
// come quoted already, and refusal instead of a cut or broken command.
#include "setup/manager_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kManager[] = "C:\\Program Files\\Sync Tools\\CEAPPMGR.EXE";
const char kDescription[] = "E:\\Dist\\Ombrix Viewer.ini";

TEST(ManagerCommandTest, BothCommandsQuoteTheManagerAndTheDescription)
{
    char command[600];
    ASSERT_TRUE(FormatManagerCommand(command, sizeof(command), kManager, kDescription, true));
    EXPECT_STREQ(command, "\"C:\\Program Files\\Sync Tools\\CEAPPMGR.EXE\" /register "
                          "\"E:\\Dist\\Ombrix Viewer.ini\"");
    ASSERT_TRUE(FormatManagerCommand(command, sizeof(command), kManager, kDescription, false));
    EXPECT_STREQ(command, "\"C:\\Program Files\\Sync Tools\\CEAPPMGR.EXE\" "
                          "\"E:\\Dist\\Ombrix Viewer.ini\"");
}

TEST(ManagerCommandTest, ACommandThatDoesNotFitIsRefusedNotCut)
{
    char command[600];
    ASSERT_TRUE(FormatManagerCommand(command, sizeof(command), kManager, kDescription, true));
    size_t needed = strlen(command) + 1;

    memset(command, 'x', sizeof(command));
    EXPECT_FALSE(FormatManagerCommand(command, needed - 1, kManager, kDescription, true));
    EXPECT_STREQ(command, "");
    EXPECT_TRUE(FormatManagerCommand(command, needed, kManager, kDescription, true));

    // Two paths of the longest length still fit the launcher's buffer size.
    std::string longPath = "C:\\" + std::string(255, 'a');
    char large[2 * 260 + 32];
    EXPECT_TRUE(FormatManagerCommand(large, sizeof(large), longPath.c_str(), longPath.c_str(),
                                     true));
}

TEST(ManagerCommandTest, AQuotationMarkInAPathIsRefused)
{
    char command[600];
    // It would close the quoting early and pass the rest as arguments.
    EXPECT_FALSE(FormatManagerCommand(command, sizeof(command), "C:\\a\" /evil \"b.exe",
                                      kDescription, false));
    EXPECT_STREQ(command, "");
    EXPECT_FALSE(FormatManagerCommand(command, sizeof(command), kManager, "E:\\x\".ini", true));
}

TEST(ManagerCommandTest, RegisteredPathsAreUnquotedOnceAndMustFit)
{
    char path[260];
    ASSERT_TRUE(UnquoteManagerPath("\"C:\\Sync Tools\\CEAPPMGR.EXE\"", path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\Sync Tools\\CEAPPMGR.EXE");
    ASSERT_TRUE(UnquoteManagerPath("C:\\Sync Tools\\CEAPPMGR.EXE", path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\Sync Tools\\CEAPPMGR.EXE");

    EXPECT_FALSE(UnquoteManagerPath("", path, sizeof(path)));
    EXPECT_FALSE(UnquoteManagerPath("\"\"", path, sizeof(path)));
    EXPECT_FALSE(UnquoteManagerPath("\"C:\\Sync Tools\\CEAPPMGR.EXE", path, sizeof(path)));
    EXPECT_FALSE(UnquoteManagerPath("C:\\a\" \"b.exe", path, sizeof(path)));
    EXPECT_STREQ(path, "");

    char small[9];
    EXPECT_TRUE(UnquoteManagerPath("\"C:\\a.exe\"", small, sizeof(small)));
    EXPECT_FALSE(UnquoteManagerPath("C:\\ab.exe", small, sizeof(small)));
}

} // namespace
