#include "hosts/HostsFile.h"
#include "base/TextFile.h"
#include "tests/hosts/HostsTestSupport.h"
#include "tests/support/ProgramFiles.h"
#include "base/UniqueHandle.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

constexpr char kTcpipKey[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr char kDataBasePath[] = "DataBasePath";

TEST(VersionClass, MapsPlatformAndVersionToClass) {
    struct Case {
        DWORD platform, major, minor;
        int expected;
    };
    const Case cases[] = {
        {VER_PLATFORM_WIN32s, 3, 11, 1},        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 2},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2}, {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 3, 2},  {VER_PLATFORM_WIN32_NT, 3, 51, 4},
        {VER_PLATFORM_WIN32_NT, 4, 0, 4},       {VER_PLATFORM_WIN32_NT, 5, 0, 5},
        {VER_PLATFORM_WIN32_NT, 5, 1, 6},       {VER_PLATFORM_WIN32_NT, 5, 2, 6},
        {VER_PLATFORM_WIN32_NT, 6, 1, 6},       {VER_PLATFORM_WIN32_NT, 10, 0, 6},
        {3, 6, 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, WindowsVersionClassOf(c.platform, c.major, c.minor))
            << c.platform << " " << c.major << "." << c.minor;
    }
}

TEST(VersionClass, FamilyOfTheRunningSystem) {
    const int versionClass = GetWindowsVersionClass();
    if (IsWin9xRun()) {
        EXPECT_EQ(2, versionClass);
    } else {
        EXPECT_GE(versionClass, 4);
    }
}

TEST(HostsPath, Win9xFamilyUsesTheSystemFolder) {
    if (!IsWin9xRun()) GTEST_SKIP() << "needs a prefix that reports Windows 98";
    EXPECT_EQ(SystemFolder() + "\\HOSTS", GetHostsFilePath());
}

// Sets DataBasePath for one test and puts the prefix's own value back.
class DataBasePathTest : public testing::Test {
protected:
    void SetUp() override {
        if (IsWin9xRun()) GTEST_SKIP() << "the NT family reads DataBasePath";
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTcpipKey, 0,
                                               KEY_QUERY_VALUE | KEY_SET_VALUE, &key_));
        DWORD size = 0;
        hadValue_ = RegQueryValueExA(key_, kDataBasePath, nullptr, &type_, nullptr, &size) ==
                    ERROR_SUCCESS;
        saved_.resize(size);
        if (hadValue_ && size > 0) {
            RegQueryValueExA(key_, kDataBasePath, nullptr, &type_, saved_.data(), &size);
        }
    }
    void TearDown() override {
        if (!key_) return;
        if (hadValue_) {
            RegSetValueExA(key_, kDataBasePath, 0, type_, saved_.data(),
                           static_cast<DWORD>(saved_.size()));
        } else {
            RegDeleteValueA(key_, kDataBasePath);
        }
        RegCloseKey(key_);
    }
    void SetValue(DWORD type, const std::string& value) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key_, kDataBasePath, 0, type,
                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1)));
    }

    HKEY key_ = nullptr;
    bool hadValue_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> saved_;
};

TEST_F(DataBasePathTest, AppendsHostsToTheSystemsValue) {
    EXPECT_EQ(SystemFolder() + "\\drivers\\etc\\HOSTS", GetHostsFilePath());
}

TEST_F(DataBasePathTest, MissingValueFallsBackToTheSystemFolder) {
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(key_, kDataBasePath));
    EXPECT_EQ(SystemFolder() + "\\DRIVERS\\ETC\\HOSTS", GetHostsFilePath());
}

TEST_F(DataBasePathTest, ValueIsJoinedByPlainConcatenation) {
    SetValue(REG_SZ, "D:\\net\\etc\\");
    EXPECT_EQ("D:\\net\\etc\\\\HOSTS", GetHostsFilePath());
}

TEST_F(DataBasePathTest, ExpandsEnvironmentReferences) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    SetValue(REG_EXPAND_SZ, "%SystemRoot%\\hostsdir");
    EXPECT_EQ(std::string(windows) + "\\hostsdir\\HOSTS", GetHostsFilePath());
}

TEST_F(DataBasePathTest, LongValueIsCutToTheBuffer) {
    const std::string value = "C:\\" + std::string(252, 'd');  // 255 characters
    SetValue(REG_SZ, value);
    EXPECT_EQ(value + "\\HO", GetHostsFilePath());
    const std::string full = "C:\\" + std::string(256, 'd');  // 259 characters
    SetValue(REG_SZ, full);
    EXPECT_EQ(full, GetHostsFilePath());
}

class ReadTextFileTest : public testing::Test {
protected:
    void SetUp() override { folder_ = FreshScratchFolder("read"); }
    std::string Read(const std::string& bytes) {
        const std::string path = folder_ + "\\list.txt";
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return ReadTextFile(path);
    }
    std::string folder_;
};

TEST_F(ReadTextFileTest, AnsiTextComesBackUnchanged) {
    const std::string text = "# 中文 HOSTS\r\n127.0.0.1       Ads.Example.COM\n0.0.0.0\t華.cn\r\n";
    EXPECT_EQ(text, Read(text));
    EXPECT_EQ("", Read(""));
}

// A NUL byte is no text: it ends a line, never the rest of the file.
TEST_F(ReadTextFileTest, ZeroBytesEndALineNotTheText) {
    EXPECT_EQ("a.com\r\n\nb.com\r\n", Read(std::string("a.com\r\n\0b.com\r\n", 15)));
}

TEST_F(ReadTextFileTest, Utf8IsConvertedToTheAnsiCodePage) {
    EXPECT_EQ("a.com", Read("\xEF\xBB\xBF" "a.com"));
    EXPECT_EQ("# 广告\r\n0.0.0.0 a.com", Read("# \xE5\xB9\xBF\xE5\x91\x8A\r\n0.0.0.0 a.com"));
}

TEST_F(ReadTextFileTest, Utf16IsConvertedToTheAnsiCodePage) {
    const std::u16string text = u"# 屏蔽\r\n127.0.0.1 中文.cn\r\n";
    const std::string expected = "# 屏蔽\r\n127.0.0.1 中文.cn\r\n";
    EXPECT_EQ(expected, Read(Utf16Bytes(text, false)));
    EXPECT_EQ(expected, Read(Utf16Bytes(text, true)));
    EXPECT_EQ("", Read("\xFF\xFE"));
}

TEST_F(ReadTextFileTest, Utf16ZeroUnitsEndALineNotTheText) {
    EXPECT_EQ("ab\ncd", Read(Utf16Bytes(std::u16string(u"ab\0cd", 5), false)));
    // An odd last byte counts as a unit of its own.
    EXPECT_EQ("abc", Read(Utf16Bytes(u"ab", false) + "c"));
}

TEST_F(ReadTextFileTest, MissingOrLockedFileReadsAsEmpty) {
    const std::string missing = folder_ + "\\missing.txt";
    EXPECT_EQ("", ReadTextFile(missing));
    EXPECT_FALSE(FileExists(missing));

    const std::string path = folder_ + "\\locked.txt";
    ASSERT_TRUE(WriteWholeFile(path, "a.com"));
    UniqueFileHandle held(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ("", ReadTextFile(path));
    held.Reset();
    EXPECT_EQ("a.com", ReadTextFile(path));
}

class WriteTextFileTest : public testing::Test {
protected:
    void SetUp() override { folder_ = FreshScratchFolder("write"); }
    void TearDown() override {
        for (const std::string& name : FolderListing(folder_)) {
            EXPECT_TRUE(name == "host.txt" || name == "sub") << "left behind: " << name;
        }
    }
    std::string Path() const { return folder_ + "\\host.txt"; }
    std::string folder_;
};

TEST_F(WriteTextFileTest, CreatesAndReplacesTheWholeFile) {
    EXPECT_TRUE(WriteTextFile(Path(), "127.0.0.1       a.com\r\n0.0.0.0 華.cn"));
    EXPECT_EQ("127.0.0.1       a.com\r\n0.0.0.0 華.cn", ReadWholeFile(Path()));
    EXPECT_TRUE(WriteTextFile(Path(), "b.com"));
    EXPECT_EQ("b.com", ReadWholeFile(Path()));
    EXPECT_TRUE(WriteTextFile(Path(), ""));
    EXPECT_EQ("", ReadWholeFile(Path()));
    EXPECT_TRUE(FileExists(Path()));
}

TEST_F(WriteTextFileTest, FailsOnEmptyPathOrMissingFolder) {
    EXPECT_FALSE(WriteTextFile("", "a.com"));
    const std::string inMissingFolder = folder_ + "\\missing\\host.txt";
    EXPECT_FALSE(WriteTextFile(inMissingFolder, "a.com"));
    EXPECT_FALSE(FileExists(folder_ + "\\missing"));
}

TEST_F(WriteTextFileTest, LeavesProtectedFilesAndFoldersAlone) {
    for (DWORD attribute : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        ASSERT_TRUE(WriteWholeFile(Path(), "old text"));
        ASSERT_TRUE(SetFileAttributesA(Path().c_str(), attribute));
        EXPECT_FALSE(WriteTextFile(Path(), "new text")) << attribute;
        EXPECT_EQ("old text", ReadWholeFile(Path())) << attribute;
        EXPECT_EQ(attribute, GetFileAttributesA(Path().c_str()) & ~FILE_ATTRIBUTE_ARCHIVE);
        SetFileAttributesA(Path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    const std::string sub = folder_ + "\\sub";
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    EXPECT_FALSE(WriteTextFile(sub, "text"));
    EXPECT_NE(0u, GetFileAttributesA(sub.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

// The prefix's own HOSTS file, set to known text for each test and put back
// afterwards. Named here rather than asked of the program, whose lookup is
// under test elsewhere.
class HostsFileTest : public testing::Test {
protected:
    void SetUp() override {
        if (IsWin9xRun()) GTEST_SKIP() << "the HOSTS file of the NT family";
        path_ = SystemFolder() + "\\drivers\\etc\\hosts";
        folder_ = SystemFolder() + "\\drivers\\etc";
        hostsFile_.emplace(path_, kOldText);
        ASSERT_EQ(kOldText, ReadWholeFile(path_));
        listing_ = FolderListing(folder_);
    }
    void TearDown() override {
        if (!hostsFile_) return;
        EXPECT_EQ(listing_, FolderListing(folder_)) << "files appeared or vanished";
        hostsFile_.reset();
    }

    static constexpr char kOldText[] = "127.0.0.1       localhost\r\n0.0.0.0 old.example.com\r\n";
    std::string path_;
    std::string folder_;
    std::optional<HostsFileScope> hostsFile_;
    std::set<std::string> listing_;
};

TEST_F(HostsFileTest, ReplacesTheWholeText) {
    const std::string text = "127.0.0.1 localhost\n0.0.0.0         華.cn";
    EXPECT_TRUE(WriteHostsFile(text).Ok());
    EXPECT_EQ(text, ReadWholeFile(path_));
    EXPECT_EQ(text, ReadTextFile(GetHostsFilePath()));
}

TEST_F(HostsFileTest, Utf16FileIsWrittenBackAsAnsi) {
    ASSERT_TRUE(WriteWholeFile(path_, Utf16Bytes(u"127.0.0.1 localhost\r\n0.0.0.0 广告.cn\r\n", false)));
    const std::string text = ReadTextFile(GetHostsFilePath());
    EXPECT_EQ("127.0.0.1 localhost\r\n0.0.0.0 广告.cn\r\n", text);
    EXPECT_TRUE(WriteHostsFile(text).Ok());
    EXPECT_EQ("127.0.0.1 localhost\r\n0.0.0.0 广告.cn\r\n", ReadWholeFile(path_));
}

// The update pass writes only over the text it merged into.
TEST_F(HostsFileTest, AChangedFileIsNotWrittenOver) {
    std::string read;
    ASSERT_EQ(DWORD(ERROR_SUCCESS), ReadHostsFile(read));
    ASSERT_TRUE(WriteWholeFile(path_, std::string(kOldText) + "0.0.0.0 theirs.example\r\n"));
    EXPECT_EQ(kErrorChangedMeanwhile, WriteHostsFile(read + "0.0.0.0 ours.example\r\n", &read).error);
    EXPECT_EQ(std::string(kOldText) + "0.0.0.0 theirs.example\r\n", ReadWholeFile(path_));
    std::string again;
    ASSERT_EQ(DWORD(ERROR_SUCCESS), ReadHostsFile(again));
    EXPECT_TRUE(WriteHostsFile(again + "0.0.0.0 ours.example\r\n", &again).Ok());
    EXPECT_EQ(again + "0.0.0.0 ours.example\r\n", ReadWholeFile(path_));
}

TEST_F(HostsFileTest, MissingFileIsNeverCreated) {
    ASSERT_TRUE(DeleteFileA(path_.c_str()));
    listing_.erase("hosts");
    EXPECT_FALSE(WriteHostsFile("0.0.0.0 a.com").Ok());
    EXPECT_FALSE(FileExists(path_));
    EXPECT_EQ("", ReadTextFile(path_));
    EXPECT_FALSE(FileExists(path_));
}

TEST_F(HostsFileTest, ReadOnlyHiddenOrSystemFileStaysUntouched) {
    for (DWORD attribute : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}) {
        ASSERT_TRUE(SetFileAttributesA(path_.c_str(), attribute));
        EXPECT_FALSE(WriteHostsFile("0.0.0.0 a.com").Ok()) << attribute;
        EXPECT_EQ(kOldText, ReadWholeFile(path_)) << attribute;
        EXPECT_EQ(attribute, GetFileAttributesA(path_.c_str()) & ~FILE_ATTRIBUTE_ARCHIVE);
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(HostsFileTest, FileHeldOpenByAnotherProgramStaysUntouched) {
    UniqueFileHandle held(
        CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(WriteHostsFile("0.0.0.0 a.com").Ok());
    held.Reset();
    EXPECT_EQ(kOldText, ReadWholeFile(path_));
}

// The reason each failure message gives, from the system's error: what a
// user can act on, in plain Chinese.
TEST(FileErrorReason, NamesWhatTheUserCanDo) {
    const std::pair<DWORD, const char*> rows[] = {
        {ERROR_ACCESS_DENIED, "没有权限，请以管理员身份运行"},
        {740, "没有权限，请以管理员身份运行"},  // ERROR_ELEVATION_REQUIRED
        {ERROR_FILE_READ_ONLY, "文件为只读"},
        {ERROR_SHARING_VIOLATION, "文件正被其他程序使用"},
        {ERROR_LOCK_VIOLATION, "文件正被其他程序使用"},
        {ERROR_DISK_FULL, "磁盘空间不足"},
        {kErrorChangedMeanwhile, "文件已被其他程序修改"},
        {12345, "系统错误 12345"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.second, FileErrorReason(row.first)) << row.first;
    WriteResult backup;
    backup.error = ERROR_DISK_FULL;
    backup.backupFailed = true;
    EXPECT_EQ("无法备份原文件（磁盘空间不足）", FileErrorReason(backup));
}

// In the Windows 98 prefix the HOSTS file lives in the system folder itself.
TEST(Win9xHostsFile, IsWrittenInTheSystemFolderOnlyWhenPresent) {
    if (!IsWin9xRun()) GTEST_SKIP() << "needs a prefix that reports Windows 98";
    const std::string path = SystemFolder() + "\\HOSTS";
    DeleteFileA(path.c_str());
    EXPECT_FALSE(WriteHostsFile("0.0.0.0 a.com").Ok());
    EXPECT_FALSE(FileExists(path));

    ASSERT_TRUE(WriteWholeFile(path, "127.0.0.1 localhost\r\n"));
    EXPECT_TRUE(WriteHostsFile("0.0.0.0 a.com").Ok());
    EXPECT_EQ("0.0.0.0 a.com", ReadWholeFile(path));
    EXPECT_EQ("0.0.0.0 a.com", ReadTextFile(GetHostsFilePath()));
    DeleteFileA(path.c_str());
}

}  // namespace
