#include "driver/core/config.h"

#include <gtest/gtest.h>

#include "tests/unit/test_site.h"

namespace kavr {
namespace {

TEST(Config, DefaultsWhenTheFileIsMissing) {
    test::TestSite site;
    g_config.loaded = false;
    ConfigLoad(true);
    EXPECT_EQ(g_config.exe_path, "c:\\dba\\bin");
    EXPECT_EQ(g_config.tmp_extension, "kvl");
    EXPECT_EQ(g_config.socket_timeout, 20);
    EXPECT_EQ(g_config.log_level, 0);
    EXPECT_FALSE(g_config.admin_email.has_value());
    EXPECT_TRUE(g_config.logical_paths.empty());
    EXPECT_TRUE(g_config.data_sources.empty());
}

TEST(Config, PathsAreNormalisedAndLimitsCut) {
    test::TestSite site;
    site.load_config("[Log]\nLogFilePath=/var/log/kavr/\n[Template]\nTmpExtension=abcdefghijklmnop\n"
                     "[Admin]\nAdminPassword=" + std::string(60, 'p') + "\nSocketTimeout=7x\n"
                     "KavThreadTimeout=abc\nAdminWebForm=99999999999999\n");
    EXPECT_EQ(g_config.log_file_path, "\\var\\log\\kavr");
    EXPECT_EQ(g_config.tmp_extension, "abcdefghijk");
    EXPECT_EQ(g_config.admin_password.size(), 49u);
    EXPECT_EQ(g_config.socket_timeout, 7);
    EXPECT_EQ(g_config.thread_timeout, 0);  // not a number: default kept
    EXPECT_EQ(g_config.admin_web_form, 2147483647);  // saturates
}

TEST(Config, IndexedFamiliesStopAtTheFirstGap) {
    test::TestSite site;
    site.load_config(
        "[Template]\nTmpLogicalPath1=/app\nTmpPhysicalPath1=/srv/app/\nTmpLogicalPath3=/x\n"
        "TmpPhysicalPath3=/y\nUntrustedScript1=/demo/x.kvl\nUntrustedScriptAllowOnly1=5\n"
        "[File IO]\nFileIOLogicalPath1=/temp\nFileIOPhysicalPath1=/tmp\nFileRead1=1\nFileWrite1=1\n"
        "FileReadPassword1=r\nFileIOLogicalPath2=/data\nFileIOPhysicalPath2=/srv/data\n"
        "[ODBC]\nSQLDataSource1=Shop\nSQL_Insert1=0\nSQLDataSource2=SHOP\nSQLUserID2=bob\n"
        "SQLDataSource3=other\n");
    ASSERT_EQ(g_config.logical_paths.size(), 1u);
    EXPECT_EQ(g_config.logical_paths[0], "\\app");
    EXPECT_EQ(g_config.physical_paths[0], "\\srv\\app");
    ASSERT_EQ(g_config.untrusted_scripts.size(), 1u);
    EXPECT_EQ(g_config.untrusted_scripts[0].path, "\\demo\\x.kvl");
    EXPECT_EQ(g_config.untrusted_scripts[0].bits, 5);
    ASSERT_EQ(g_config.file_access.size(), 2u);
    EXPECT_EQ(*g_config.file_access[0].read_password, "r");
    EXPECT_EQ(g_config.file_access[0].write, 1);
    // The second entry lacks its read flag: kept with the paths read so far.
    EXPECT_EQ(g_config.file_access[1].physical_path, "\\srv\\data");
    EXPECT_EQ(g_config.file_access[1].read, 1);
    EXPECT_EQ(g_config.file_access[1].write, 0);
    ASSERT_EQ(g_config.data_sources.size(), 2u);
    EXPECT_EQ(g_config.data_sources[0].name, "Shop");
    EXPECT_EQ(g_config.data_sources[0].insert, 0);
    EXPECT_EQ(*g_config.data_sources[0].user_id, "bob");
    EXPECT_EQ(g_config.data_sources[0].connection_time, 100);
}

TEST(Config, ValuesAreCutAt1023Characters) {
    test::TestSite site;
    site.load_config("[Admin]\nAdminEmail=" + std::string(2000, 'a') + "\n");
    EXPECT_EQ(g_config.admin_email->size(), 1023u);
}

}  // namespace
}  // namespace kavr
