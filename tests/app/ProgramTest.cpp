// Sitemoat.exe itself, started and answered as a user would: its windows
// are found by process and title, its buttons clicked, its files read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "UserActions.h"
#include "SitemoatConfig.h"
#include "res/resource.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/UserProxy.h"
#include "update/HttpFetcher.h"
#include "update/UpdateProgress.h"
#include "base/UniqueHandle.h"
#include "hosts/HostsPause.h"

namespace {

constexpr char kMainTitle[] = "TarvoZorvaSitemoatbeta版";
constexpr char kDialogTitle[] = "TarvoZorvaSitemoat";
constexpr char kMessageTitle[] = "ZorvaSitemoat";
constexpr char kListPath[] = "/lists/host.txt";
constexpr char kOldStamp[] = "Mon, 01 Mar 2021 00:00:00 GMT";
constexpr char kNewStamp[] = "Wed, 17 Mar 2021 08:51:11 GMT";
constexpr char kHosts[] =
    "127.0.0.1       localhost\r\n"
    "# kept as it is\r\n"
    "0.0.0.0 Existing.Example\r\n";
constexpr char kList[] =
    "# a list of three\r\n"
    "0.0.0.0 miner-one.example\r\n"
    "0.0.0.0 existing.example\r\n"
    "127.0.0.1\tMiner-Two.Example\r\n";
constexpr DWORD kLimitMs = 30000;

std::string Folder(const std::string& path) {
    return path.substr(0, path.find_last_of("\\/") + 1);
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.IsRunning());
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        // A folder of its own: the program's config.ini and temp.txt are this test's.
        folder = Folder(self) + "program\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        program = folder + "Sitemoat.exe";
        ASSERT_TRUE(CopyFileA(SITEMOAT_EXE, program.c_str(), FALSE)) << SITEMOAT_EXE;
        DeleteFileA((folder + "temp.txt").c_str());
        server.SetStaticList(kListPath, kNewStamp, "", kList);
        config = "[update]\r\nofficial=0\r\ncustom=1\r\n[custom]\r\n" + server.Url(kListPath) + "|" +
                 kOldStamp + "=\r\n";
        WriteWholeFile(folder + "config.ini", config);
        RemoveRecords();
    }
    void TearDown() override {
        for (PROCESS_INFORMATION& p : started) {
            if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(p.hProcess, 99);
                WaitForSingleObject(p.hProcess, kLimitMs);
            }
            CloseHandle(p.hThread);
            CloseHandle(p.hProcess);
        }
        DeleteFileA((folder + "config.ini").c_str());
        DeleteFileA((folder + "temp.txt").c_str());
        RemoveRecords();
    }

    // What a run wrote into HOSTS, and its lists brought, is no reset HOSTS
    // and no record for the next one.
    void RemoveRecords() const {
        DeleteFileA((folder + "lists.dat").c_str());
        const std::string backups = folder + "backup\\";
        WIN32_FIND_DATAA found;
        const UniqueFindHandle search(FindFirstFileA((backups + "*.bak").c_str(), &found));
        if (search) {
            do {
                DeleteFileA((backups + found.cFileName).c_str());
            } while (FindNextFileA(search.Get(), &found));
        }
    }

    PROCESS_INFORMATION Start(const std::string& arguments = "") {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION p{};
        std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
        if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &si, &p)) {
            ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
            return p;
        }
        started.push_back(p);
        return p;
    }

    static bool IsRunning(const PROCESS_INFORMATION& p) {
        return WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT;
    }

    static DWORD ExitCode(const PROCESS_INFORMATION& p) {
        if (WaitForSingleObject(p.hProcess, kLimitMs) != WAIT_OBJECT_0) return 12345;
        DWORD code = 12345;
        GetExitCodeProcess(p.hProcess, &code);
        return code;
    }

    // The update question of the process, once it is on screen.
    static HWND WaitForQuestion(const PROCESS_INFORMATION& p) {
        HWND question = nullptr;
        WaitFor([&] {
            for (HWND w : FindTopWindows(p.dwProcessId, kDialogTitle)) {
                if (ItemText(w, IDOK) == "升级" && ItemText(w, IDCANCEL) == "不升级") question = w;
            }
            return question != nullptr || !IsRunning(p);
        }, kLimitMs);
        return question;
    }

    // The main window, once the check is over and the hosts page is filled.
    static HWND WaitUntilIdle(const PROCESS_INFORMATION& p) {
        HWND main = nullptr;
        WaitFor([&] {
            std::vector<HWND> mains = FindTopWindows(p.dwProcessId, kMainTitle);
            main = mains.empty() ? nullptr : mains[0];
            return !IsRunning(p) || (main && FindTopWindows(p.dwProcessId, kDialogTitle).empty() &&
                                     !HostsEditorText(main).empty());
        }, kLimitMs);
        return main;
    }

    static void Click(HWND dialog, int buttonId) {
        DWORD_PTR ignored;
        SendMessageTimeoutA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000,
                            &ignored);
    }

    std::string Config() const { return ReadWholeFile(folder + "config.ini"); }

    LoopbackHttpServer server;
    std::string folder;
    std::string program;
    std::string config;
    std::vector<PROCESS_INFORMATION> started;
};

TEST_F(ProgramTest, UpgradeMergesTheListIntoHostsAndStoresTheNewStamp) {
    HostsFileScope hosts(kHosts);
    PROCESS_INFORMATION p = Start();
    HWND question = WaitForQuestion(p);
    ASSERT_NE(nullptr, question) << "running " << IsRunning(p) << " exit " << ExitCode(p);
    EXPECT_EQ(kUpdateQuestion, ItemText(question, IDC_MESSAGE_TEXT));
    Click(question, IDOK);

    HWND main = WaitUntilIdle(p);
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(std::string(kHosts) + "0.0.0.0 miner-one.example miner-two.example\r\n", hosts.Text());
    EXPECT_EQ("[update]\r\nofficial=0\r\ncustom=1\r\n[custom]\r\n" + server.Url(kListPath) + "|" +
                  kNewStamp + "=" + ContentDigestStamp(kList) + "\r\n",
              Config());
    EXPECT_EQ(kList, ReadWholeFile(folder + "temp.txt"));
    EXPECT_EQ("0.0.0.0 Existing.Example\n0.0.0.0 miner-one.example miner-two.example\n",
              HostsEditorText(main));

    // A line typed at the end of the editor and saved is in HOSTS, and the
    // program says so.
    HWND editor = FindHostsEditor(main);
    ASSERT_NE(nullptr, editor);
    DWORD_PTR length = 0;
    SendMessageTimeoutA(editor, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    SendMessageTimeoutA(editor, EM_SETSEL, length, length, SMTO_ABORTIFHUNG, 5000, &length);
    for (char c : std::string("0.0.0.0 typed.example\r")) PostMessageA(editor, WM_CHAR, c, 0);
    PostMessageA(GetDlgItem(GetParent(editor), IDC_SAVE), BM_CLICK, 0, 0);
    HWND saved = nullptr;
    WaitFor([&] {
        for (HWND w : FindTopWindows(p.dwProcessId, kMessageTitle)) {
            if (ItemText(w, IDC_MESSAGE_TEXT) == "host表保存成功！") saved = w;
        }
        return saved != nullptr || !IsRunning(p);
    }, kLimitMs);
    ASSERT_NE(nullptr, saved);
    Click(saved, IDOK);
    EXPECT_EQ(std::string(kHosts) + "0.0.0.0 miner-one.example miner-two.example\r\n"
                                    "0.0.0.0 typed.example\r\n",
              hosts.Text());

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, ExitCode(p));
}

// "不升级" leaves every file as it was; a second copy started meanwhile goes
// away at once with 0, and the first one is not disturbed.
TEST_F(ProgramTest, NoUpgradeChangesNothingAndASecondCopyExitsAtOnce) {
    HostsFileScope hosts(kHosts);
    PROCESS_INFORMATION first = Start();
    HWND question = WaitForQuestion(first);
    ASSERT_NE(nullptr, question);

    // The wait is modal on the main window, and the question on the wait.
    std::vector<HWND> mains = FindTopWindows(first.dwProcessId, kMainTitle);
    ASSERT_EQ(1u, mains.size());
    HWND waiting = GetWindow(question, GW_OWNER);
    EXPECT_EQ(kCheckingMessage, ItemText(waiting, IDC_MESSAGE_TEXT));
    EXPECT_EQ(mains[0], GetWindow(waiting, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(mains[0]));

    PROCESS_INFORMATION second = Start();
    EXPECT_EQ(0u, ExitCode(second));
    EXPECT_TRUE(IsRunning(first));
    EXPECT_TRUE(IsWindowVisible(question));

    Click(question, IDCANCEL);
    HWND main = WaitUntilIdle(first);
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(kHosts, hosts.Text());
    EXPECT_EQ(config, Config());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "temp.txt").c_str()));
    EXPECT_EQ((std::vector<std::string>{kListPath}), server.RequestedPaths());
    EXPECT_EQ("0.0.0.0 Existing.Example\n", HostsEditorText(main));

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, ExitCode(first));
}

// Wine told, for the programs of these names, to take a DLL of the names
// given from the program's own folder first, as Windows does for names
// that are not known DLLs; for the scope's duration, in the test's prefix.
class NativeFirst {
public:
    NativeFirst(const std::vector<std::string>& programs, const std::vector<std::string>& dlls) {
        for (const std::string& program : programs) {
            const std::string key = "Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides";
            HKEY opened = nullptr;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &opened, nullptr) != ERROR_SUCCESS) {
                continue;
            }
            keys_.push_back("Software\\Wine\\AppDefaults\\" + program);
            for (const std::string& dll : dlls) {
                constexpr char kOrder[] = "native,builtin";
                set_ += RegSetValueExA(opened, dll.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(kOrder), sizeof kOrder) == ERROR_SUCCESS;
            }
            RegCloseKey(opened);
        }
    }
    ~NativeFirst() {
        for (const std::string& key : keys_) RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    }
    NativeFirst(const NativeFirst&) = delete;
    NativeFirst& operator=(const NativeFirst&) = delete;

    size_t ValuesSet() const { return set_; }

private:
    std::vector<std::string> keys_;
    size_t set_ = 0;
};

// DLLs of system names planted beside the program, with Wine told to
// prefer such copies as Windows does for names that are not known DLLs
// (what WINEDLLOVERRIDES="...=n,b" does for a whole session), are never loaded: not in /update (wininet, bcrypt, dnsapi), not in the
// window (riched32, atl). The probe shows that a bare-name load does take
// them.
TEST_F(ProgramTest, DllsPlantedBesideTheProgramAreNeverLoaded) {
    const char* const names[] = {"bcrypt.dll", "dnsapi.dll", "atl.dll", "riched32.dll", "wininet.dll"};
    for (const char* name : names) {
        ASSERT_TRUE(CopyFileA(PLANTED_DLL, (folder + name).c_str(), FALSE)) << name;
        DeleteFileA((folder + name + ".loaded").c_str());
    }
    const std::string probe = folder + "dll_probe.exe";
    ASSERT_TRUE(CopyFileA(DLL_PROBE, probe.c_str(), FALSE));
    const NativeFirst nativeFirst({"Sitemoat.exe", "dll_probe.exe"},
                                  {"bcrypt", "dnsapi", "atl", "riched32", "wininet"});
    ASSERT_EQ(10u, nativeFirst.ValuesSet());
    const auto marked = [&] {
        std::vector<std::string> loaded;
        for (const char* name : names) {
            if (GetFileAttributesA((folder + name + ".loaded").c_str()) != INVALID_FILE_ATTRIBUTES) {
                loaded.push_back(name);
            }
        }
        return loaded;
    };

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION control{};
    std::string commandLine = "\"" + probe + "\" dnsapi.dll";
    ASSERT_TRUE(CreateProcessA(probe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &si, &control));
    started.push_back(control);
    EXPECT_EQ(0u, ExitCode(control));
    ASSERT_EQ(std::vector<std::string>{"dnsapi.dll"}, marked()) << "the override did not take";
    DeleteFileA((folder + "dnsapi.dll.loaded").c_str());

    HostsFileScope hosts(kHosts);
    EXPECT_EQ(1u, ExitCode(Start("/update")));
    EXPECT_NE(std::string::npos, hosts.Text().find("miner-one.example"));
    PROCESS_INFORMATION window = Start();
    HWND main = WaitUntilIdle(window);
    ASSERT_NE(nullptr, main);
    EXPECT_NE(nullptr, FindHostsEditor(main));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, ExitCode(window));
    EXPECT_EQ(std::vector<std::string>{}, marked());

    for (const char* name : names) DeleteFileA((folder + name).c_str());
    DeleteFileA(probe.c_str());
    DeleteFileA((folder + "update.log").c_str());
}

// With the maker's host served by a loopback proxy: nothing asks for the
// news page while its tab has not been chosen; choosing it sends the page's
// browser there.
TEST_F(ProgramTest, TheNewsPageLoadsNothingUntilItsTabIsChosen) {
    HostsFileScope hosts(kHosts);
    WriteWholeFile(folder + "config.ini", "[update]\r\nofficial=0\r\ncustom=0\r\n");
    LoopbackHttpServer proxy;
    ASSERT_TRUE(proxy.IsRunning());
    // Wine's browser spells out the default port.
    const std::string news = std::string("http://") + kMakerHost + ":80/host/hostnews.php";
    proxy.SetResponse(news, RawHttpResponse("200 OK", {"Content-Length: 2"}, "ok"));
    const UserProxy userProxy("127.0.0.1:" + std::to_string(proxy.Port()));
    ASSERT_EQ(ERROR_SUCCESS, userProxy.Result());

    PROCESS_INFORMATION p = Start();
    HWND main = WaitUntilIdle(p);
    ASSERT_NE(nullptr, main);
    Sleep(1000);
    EXPECT_EQ(0, proxy.ConnectionCount());
    PostMessageA(main, WM_USER + 150, 2, -1);  // the news tab chosen
    EXPECT_TRUE(WaitFor([&] { return proxy.ConnectionCount() > 0; }, kLimitMs));
    EXPECT_EQ(std::vector<std::string>{news}, proxy.RequestedPaths());
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, ExitCode(p));
}

// Another program holding the guard's name, with no window of Sitemoat to
// answer: the user is told why nothing opens, and nothing else happens.
TEST_F(ProgramTest, AGuardHeldWithoutAWindowIsTold) {
    HostsFileScope hosts(kHosts);
    const UniqueKernelHandle squatter(CreateMutexA(nullptr, FALSE, "ZorvaACTIVEDEF"));
    ASSERT_TRUE(squatter);
    PROCESS_INFORMATION p = Start();
    HWND told = nullptr;
    WaitFor([&] {
        for (HWND w : FindTopWindows(p.dwProcessId, kMessageTitle)) told = w;
        return told != nullptr || !IsRunning(p);
    }, kLimitMs);
    ASSERT_NE(nullptr, told);
    EXPECT_EQ(0u, ItemText(told, IDC_MESSAGE_TEXT).find("Sitemoat似乎已在运行，但找不到它的窗口。"));
    EXPECT_TRUE(FindTopWindows(p.dwProcessId, kMainTitle).empty());
    Click(told, IDOK);
    EXPECT_EQ(0u, ExitCode(p));
    EXPECT_EQ(kHosts, hosts.Text());
    EXPECT_EQ(config, Config());
    EXPECT_EQ(0, server.ConnectionCount());
}

// Killed while blocking was paused, the program puts blocking back at its
// next start, and so does the unattended update, before anything else:
// HOSTS as it was before the pause, with what was saved meanwhile.
TEST_F(ProgramTest, APauseLeftByAKilledProgramEndsAtTheNextStart) {
    const std::string before = std::string(kHosts) + "0.0.0.0 a.example b.example\r\n";
    // The paused HOSTS, without its blocking lines, and a line saved since.
    const std::string saved = "127.0.0.1       localhost\r\n# kept as it is\r\n0.0.0.0 saved.example\r\n";
    HostsFileScope hosts(saved);
    WriteWholeFile(folder + "config.ini", "[update]\r\nofficial=0\r\ncustom=0\r\n");
    for (const std::string arguments : {"", "/update"}) {
        ASSERT_EQ(DWORD(ERROR_SUCCESS), HostsPause(folder + "pause.dat").Write({before, 0}));
        hosts.Replace(saved);
        PROCESS_INFORMATION p = Start(arguments);
        if (arguments.empty()) {
            HWND main = WaitUntilIdle(p);
            ASSERT_NE(nullptr, main);
            PostMessageA(main, WM_CLOSE, 0, 0);
        }
        EXPECT_NE(12345u, ExitCode(p)) << arguments;
        EXPECT_EQ(std::string(kHosts) + "0.0.0.0 a.example b.example\r\n0.0.0.0 saved.example\r\n",
                  hosts.Text())
            << arguments;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "pause.dat").c_str()));
    }
}

// "Sitemoat.exe /update" runs the pass with no window and no question,
// logs one line a run and tells how it went by its exit code, as the
// README lists them. The runs follow each other like a user's days.
TEST_F(ProgramTest, UnattendedUpdateTellsHowItWentByItsExitCode) {
    HostsFileScope hosts(kHosts);
    const std::string merged = std::string(kHosts) + "0.0.0.0 miner-one.example miner-two.example\r\n";
    const std::string oldSite = server.Url(kListPath) + "|" + kOldStamp + "=\r\n";
    UniqueKernelHandle running;
    struct Row {
        const char* what;
        std::function<void()> arrange;
        std::string arguments;
        DWORD exitCode;
        std::string result;  // the log line's result, "" for no line
        std::string hosts;
    };
    const Row rows[] = {
        {"something new", [] {}, "/update", 1, "已更新", merged},
        // The stamp now stored makes the server answer 304, with no body.
        {"nothing new", [&] { server.ClearRequests(); }, "/UPDATE", 0, "无新内容", merged},
        {"one site failing",
         [&] {
             hosts.Replace(kHosts);
             WriteWholeFile(folder + "config.ini", config + server.Url("/missing") + "|=\r\n");
         },
         "/update", 2, "部分站点失败", merged},
        {"HOSTS read-only",
         [&] {
             hosts.Replace(kHosts);
             WriteWholeFile(folder + "config.ini", config);
             SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_READONLY);
         },
         "/update", 3, "Host表无法写入", kHosts},
        {"already running",
         [&] {
             SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
             running.Reset(CreateMutexA(nullptr, FALSE, "ZorvaACTIVEDEF"));
         },
         "/update", 4, "未检测", kHosts},
        {"a bad argument", [&] { running.Reset(); }, "/updat", 5, "", kHosts},
    };
    for (const Row& row : rows) {
        row.arrange();
        const std::string logBefore = ReadWholeFile(folder + "update.log");
        PROCESS_INFORMATION p = Start(row.arguments);
        if (row.exitCode == 5) {
            HWND usage = nullptr;
            WaitFor([&] {
                for (HWND w : FindTopWindows(p.dwProcessId, kMessageTitle)) usage = w;
                return usage != nullptr || !IsRunning(p);
            }, kLimitMs);
            ASSERT_NE(nullptr, usage) << row.what;
            EXPECT_NE(std::string::npos, ItemText(usage, IDC_MESSAGE_TEXT).find("/update"));
            Click(usage, IDOK);
        }
        EXPECT_EQ(row.exitCode, ExitCode(p)) << row.what;
        EXPECT_EQ(row.hosts, hosts.Text()) << row.what;
        const std::string log = ReadWholeFile(folder + "update.log");
        if (row.result.empty()) {
            EXPECT_EQ(logBefore, log) << row.what;
            continue;
        }
        ASSERT_EQ(0u, log.find(logBefore)) << row.what;
        const std::string line = log.substr(logBefore.size());
        EXPECT_EQ(1, std::count(line.begin(), line.end(), '\n')) << row.what << ": " << line;
        EXPECT_NE(std::string::npos, line.find("\t" + row.result + "\t")) << row.what << ": " << line;
    }
    EXPECT_LT(server.BytesSent(), 3000);  // the 304, and the one failing site's 404
    const std::string log = ReadWholeFile(folder + "update.log");
    EXPECT_NE(std::string::npos, log.find(server.Url("/missing") + "（未找到（404））"));
    DeleteFileA((folder + "update.log").c_str());
}

}  // namespace
