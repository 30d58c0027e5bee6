#include "update/DailyUpdateTask.h"

#include "base/InstalledProgram.h"

#include "base/ComOwners.h"
#include "win/Handles.h"

#include <windows.h>
#include <taskschd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Code page 936 bytes, as the program's paths are; '&' is legal in a path.
constexpr char kProgram[] = "C:\\网站 & 工具\\Sitemoat.exe";

bool RunningOnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

struct ServiceTraits : handle_traits::NullIsInvalid<SC_HANDLE> {
    static bool Close(SC_HANDLE h) { return CloseServiceHandle(h) != FALSE; }
};
using UniqueService = UniqueHandle<ServiceTraits>;

// This prefix's scheduler service disabled, so that no connection starts
// it, or startable and running. Wine's accepts no stop: off holds only
// while nothing in this Wine session has started it yet.
bool SetSchedulerService(bool on) {
    const UniqueService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const UniqueService service(OpenServiceW(
        manager.Get(), L"Schedule", SERVICE_CHANGE_CONFIG | SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service ||
        !ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE,
                              on ? SERVICE_DEMAND_START : SERVICE_DISABLED, SERVICE_NO_CHANGE,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
        return false;
    }
    if (on) StartServiceW(service.Get(), 0, nullptr);
    SERVICE_STATUS status = {};
    for (int i = 0; i < 100; ++i) {
        if (!QueryServiceStatus(service.Get(), &status)) return false;
        if (status.dwCurrentState == (on ? SERVICE_RUNNING : SERVICE_STOPPED)) return true;
        if (!on) return false;
        Sleep(100);
    }
    return false;
}

// Only a Wine prefix's scheduler is ever switched; Windows' own always runs.
// Also undoes a disabled service left by an earlier run that broke off.
bool SchedulerOn() {
    return !RunningOnWine() || SetSchedulerService(true);
}

std::vector<std::string> OurTaskFiles() {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const UniqueFindHandle find(
        FindFirstFileA((std::string(system) + "\\tasks\\Sitemoat*").c_str(), &found));
    if (find) {
        do names.push_back(found.cFileName);
        while (FindNextFileA(find.Get(), &found));
    }
    return names;
}

// The definition as the scheduler keeps it, through its COM interface.
std::wstring StoredXml() {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> root;
    ComPtr<IRegisteredTask> task;
    const Variant none;
    Bstr xml;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskService, service.ReceiveVoid())) &&
        SUCCEEDED(service->Connect(none.Get(), none.Get(), none.Get(), none.Get())) &&
        SUCCEEDED(service->GetFolder(Bstr(L"\\").Get(), root.Receive())) &&
        SUCCEEDED(root->GetTask(Bstr(L"Sitemoat Daily Update").Get(), task.Receive()))) {
        task->get_Xml(xml.Receive());
    }
    return xml.Text();
}

// Before the cases that start the scheduler: see SetSchedulerService.
TEST(DailyUpdateTaskWithoutSchedulerTest, RegisterAndRemoveReportItMissing) {
    if (!RunningOnWine()) GTEST_SKIP() << "only a Wine prefix's scheduler is switched off";
    ASSERT_TRUE(SetSchedulerService(false)) << "the scheduler already runs in this Wine session";
    DailyUpdateTask task;
    HRESULT error = S_OK;
    EXPECT_EQ(TaskSchedulerResult::SchedulerMissing, task.Register(kProgram, &error));
    EXPECT_EQ(SCHED_E_SERVICE_NOT_RUNNING, error);
    EXPECT_FALSE(task.Exists());
    EXPECT_EQ(TaskSchedulerResult::SchedulerMissing, task.Remove(&error));
    EXPECT_EQ(SCHED_E_SERVICE_NOT_RUNNING, error);
    EXPECT_TRUE(SetSchedulerService(true));
}

class DailyUpdateTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SchedulerOn());
        ASSERT_EQ(TaskSchedulerResult::Ok, task.Remove());
    }
    void TearDown() override { task.Remove(); }

    ComApartment com;  // as on the UI thread
    DailyUpdateTask task;
};

// What Wine does not keep, the definition must say: the program's path
// (code page 936, "&" escaped, in quotes for its spaces) with "/update",
// once a day from the moment given, at the highest run level.
TEST(DailyUpdateTaskDefinitionTest, NamesTheProgramTheDailyTriggerAndTheRunLevel) {
    const SYSTEMTIME start = {2026, 12, 2, 8, 9, 5, 7, 0};
    const std::wstring xml = DailyUpdateTask::DefinitionXml(kProgram, start);
    EXPECT_NE(std::wstring::npos, DailyUpdateTask::DefinitionXml("C:\\Tools\\Sitemoat.exe", start)
                                      .find(L"<Command>C:\\Tools\\Sitemoat.exe</Command>"));
    for (const wchar_t* part : {L"<Command>\"C:\\网站 &amp; 工具\\Sitemoat.exe\"</Command>",
                                L"<Arguments>/update</Arguments>",
                                L"<StartBoundary>2026-12-08T09:05:07</StartBoundary>",
                                L"<ScheduleByDay>\r\n        <DaysInterval>1</DaysInterval>",
                                L"<RunLevel>HighestAvailable</RunLevel>",
                                L"<LogonType>InteractiveToken</LogonType>"}) {
        EXPECT_NE(std::wstring::npos, xml.find(part)) << part;
    }
}

TEST_F(DailyUpdateTaskTest, RegisterTwiceThenRemoveTwice) {
    EXPECT_FALSE(task.Exists());
    HRESULT error = E_FAIL;
    ASSERT_EQ(TaskSchedulerResult::Ok, task.Register(kProgram, &error));
    EXPECT_EQ(S_OK, error);
    EXPECT_TRUE(task.Exists());

    const std::wstring stored = StoredXml();
    for (const wchar_t* kept : {L"<Description>每天检测并合并Sitemoat的升级列表</Description>",
                                L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
                                L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
                                L"<StartWhenAvailable>true</StartWhenAvailable>",
                                L"<ExecutionTimeLimit>PT1H</ExecutionTimeLimit>"}) {
        EXPECT_NE(std::wstring::npos, stored.find(kept)) << kept;
    }
    // Wine 8 stores no trigger, action or run level (it writes them as
    // stubs); registering must succeed all the same. Windows keeps them.
    for (const wchar_t* notOnWine : {L"<DaysInterval>1</DaysInterval>",
                                     L"<Command>\"C:\\网站 &amp; 工具\\Sitemoat.exe\"</Command>",
                                     L"<Arguments>/update</Arguments>",
                                     L"<RunLevel>HighestAvailable</RunLevel>"}) {
        EXPECT_EQ(!RunningOnWine(), stored.find(notOnWine) != std::wstring::npos) << notOnWine;
    }

    // Replaced: neither refused as already there nor added beside.
    ASSERT_EQ(TaskSchedulerResult::Ok, task.Register(kProgram, &error));
    EXPECT_EQ(std::vector<std::string>{DailyUpdateTask::kTaskName}, OurTaskFiles());

    EXPECT_EQ(TaskSchedulerResult::Ok, task.Remove(&error));
    EXPECT_FALSE(task.Exists());
    EXPECT_TRUE(OurTaskFiles().empty());
    error = E_FAIL;
    EXPECT_EQ(TaskSchedulerResult::Ok, task.Remove(&error));
    EXPECT_EQ(S_OK, error);
}

// With no COM, or in either apartment, the thread keeps what it had, no
// more and no less, and the scheduler is reached.
TEST_F(DailyUpdateTaskTest, LeavesTheCallersApartmentAsItWas) {
    constexpr DWORD kNoCom = ~0u;
    for (DWORD model : {kNoCom, DWORD{COINIT_APARTMENTTHREADED}, DWORD{COINIT_MULTITHREADED}}) {
        std::thread([&] {
            const bool had = model != kNoCom;
            if (had) {
                ASSERT_EQ(S_OK, CoInitializeEx(nullptr, model));
            }
            EXPECT_EQ(TaskSchedulerResult::Ok, task.Remove()) << model;
            if (had) {
                EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, model)) << model;
                CoUninitialize();
                CoUninitialize();
            }
            EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << model;
            CoUninitialize();
        }).join();
    }
}

// Only the copy the installer recorded, inside the system's Program Files
// folder, is the installed one.
TEST(InstalledProgram, OnlyTheRecordedCopyInProgramFiles) {
    const std::wstring files = L"C:\\Program Files";
    const std::wstring installed = L"C:\\Program Files\\Sitemoat\\Sitemoat.exe";
    const struct {
        std::wstring running;
        std::wstring recorded;
        bool installed;
    } cases[] = {
        {installed, installed, true},
        {L"c:\\program files\\SITEMOAT\\sitemoat.exe", installed, true},
        {L"C:\\Users\\me\\Downloads\\Sitemoat.exe", installed, false},
        {L"C:\\Users\\me\\Downloads\\Sitemoat.exe", L"C:\\Users\\me\\Downloads\\Sitemoat.exe", false},
        {L"C:\\Program Files (x86)\\Sitemoat.exe", L"C:\\Program Files (x86)\\Sitemoat.exe", false},
        {L"C:\\Program Files\\..\\Temp\\Sitemoat.exe", L"C:\\Program Files\\..\\Temp\\Sitemoat.exe", false},
        {installed, L"", false},
        {L"", L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.installed, IsInstalledCopy(c.running, c.recorded, files))
            << std::string(c.running.begin(), c.running.end());
    }
    EXPECT_TRUE(IsInstalledCopy(installed, installed, files + L"\\"));
}

// What the installer wrote is read back whole; this test program is not
// the installed copy, wherever the record points.
TEST(InstalledProgram, TheRecordIsReadFromTheMachinesKey) {
    const std::wstring recorded = L"C:\\Program Files\\Sitemoat\\Sitemoat.exe";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, kInstallPathValue, 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(recorded.c_str()),
                                            DWORD((recorded.size() + 1) * sizeof(wchar_t))));
    RegCloseKey(key);
    EXPECT_EQ(recorded, RecordedInstallPath());
    EXPECT_EQ("", InstalledProgramPath());
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstallKey));
    EXPECT_EQ(L"", RecordedInstallPath());
}

}  // namespace
