#include "update/DailyUpdateTask.h"

#include "base/TextCodec.h"
#include "base/ComOwners.h"

#include <taskschd.h>

namespace {

// Element text; '&' is allowed in a Windows path.
std::wstring XmlText(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
            case L'&': escaped += L"&amp;"; break;
            case L'<': escaped += L"&lt;"; break;
            case L'>': escaped += L"&gt;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

// The path as the scheduler must be given it: one with white space in
// quotes, or "C:\Program Files\..." would start C:\Program.exe if there
// were one.
std::wstring CommandPath(const std::wstring& path) {
    const bool quoted = path.size() >= 2 && path.front() == L'"' && path.back() == L'"';
    return !quoted && path.find_first_of(L" \t") != std::wstring::npos ? L"\"" + path + L"\"" : path;
}

std::wstring Digits(unsigned value, size_t width) {
    const std::wstring digits = std::to_wstring(value);
    return std::wstring(digits.size() < width ? width - digits.size() : 0, L'0') + digits;
}

// The scheduler's root folder, with COM for the calling thread and the
// service connection around it for as long as it is used.
class RootFolder {
public:
    RootFolder() {
        error_ = com_.Usable();
        if (SUCCEEDED(error_)) {
            error_ = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ITaskService, service_.ReceiveVoid());
        }
        if (SUCCEEDED(error_)) {
            const Variant none;
            error_ = service_->Connect(none.Get(), none.Get(), none.Get(), none.Get());
        }
        if (FAILED(error_)) {
            result_ = TaskSchedulerResult::SchedulerMissing;
            return;
        }
        error_ = service_->GetFolder(Bstr(L"\\").Get(), folder_.Receive());
        result_ = SUCCEEDED(error_) ? TaskSchedulerResult::Ok : TaskSchedulerResult::Refused;
    }
    RootFolder(const RootFolder&) = delete;
    RootFolder& operator=(const RootFolder&) = delete;

    TaskSchedulerResult Result() const { return result_; }
    ITaskFolder* operator->() const { return folder_.Get(); }

    // Result and error of a call on the folder, reported to the caller.
    TaskSchedulerResult Report(HRESULT hr, HRESULT* error) {
        if (result_ == TaskSchedulerResult::Ok) {
            error_ = hr;
            if (FAILED(hr)) result_ = TaskSchedulerResult::Refused;
        }
        if (error) *error = error_;
        return result_;
    }

private:
    ComApartment com_;  // first: it ends after the interfaces are released
    ComPtr<ITaskService> service_;
    ComPtr<ITaskFolder> folder_;
    HRESULT error_ = S_OK;
    TaskSchedulerResult result_ = TaskSchedulerResult::Ok;
};

std::wstring TaskName() {
    return AnsiToWide(DailyUpdateTask::kTaskName);
}

}  // namespace

bool DailyUpdateTask::Exists() const {
    RootFolder root;
    if (root.Result() != TaskSchedulerResult::Ok) return false;
    ComPtr<IRegisteredTask> task;
    return SUCCEEDED(root->GetTask(Bstr(TaskName()).Get(), task.Receive()));
}

TaskSchedulerResult DailyUpdateTask::Register(const std::string& programPath,
                                              HRESULT* error) const {
    SYSTEMTIME now;
    GetLocalTime(&now);
    RootFolder root;
    HRESULT hr = S_OK;
    if (root.Result() == TaskSchedulerResult::Ok) {
        // No user named: the interactive token is the registering user's.
        const Variant none;
        ComPtr<IRegisteredTask> task;
        hr = root->RegisterTask(Bstr(TaskName()).Get(), Bstr(DefinitionXml(programPath, now)).Get(),
                                TASK_CREATE_OR_UPDATE, none.Get(), none.Get(),
                                TASK_LOGON_INTERACTIVE_TOKEN, none.Get(), task.Receive());
    }
    return root.Report(hr, error);
}

TaskSchedulerResult DailyUpdateTask::Remove(HRESULT* error) const {
    RootFolder root;
    HRESULT hr = S_OK;
    if (root.Result() == TaskSchedulerResult::Ok) {
        hr = root->DeleteTask(Bstr(TaskName()).Get(), 0);
        if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) hr = S_OK;
    }
    return root.Report(hr, error);
}

std::wstring DailyUpdateTask::DefinitionXml(const std::string& programPath,
                                            const SYSTEMTIME& start) {
    // No time zone: the run keeps its local hour across daylight saving.
    const std::wstring startBoundary =
        Digits(start.wYear, 4) + L"-" + Digits(start.wMonth, 2) + L"-" + Digits(start.wDay, 2) +
        L"T" + Digits(start.wHour, 2) + L":" + Digits(start.wMinute, 2) + L":" +
        Digits(start.wSecond, 2);
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           L"  <RegistrationInfo>\r\n"
           L"    <Author>Sitemoat</Author>\r\n"
           L"    <Description>每天检测并合并Sitemoat的升级列表</Description>\r\n"
           L"  </RegistrationInfo>\r\n"
           L"  <Triggers>\r\n"
           L"    <CalendarTrigger>\r\n"
           L"      <StartBoundary>" + startBoundary + L"</StartBoundary>\r\n"
           L"      <ScheduleByDay>\r\n"
           L"        <DaysInterval>1</DaysInterval>\r\n"
           L"      </ScheduleByDay>\r\n"
           L"    </CalendarTrigger>\r\n"
           L"  </Triggers>\r\n"
           L"  <Principals>\r\n"
           L"    <Principal id=\"Author\">\r\n"
           L"      <LogonType>InteractiveToken</LogonType>\r\n"
           L"      <RunLevel>HighestAvailable</RunLevel>\r\n"
           L"    </Principal>\r\n"
           L"  </Principals>\r\n"
           L"  <Settings>\r\n"
           L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
           L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
           L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
           L"    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
           L"    <ExecutionTimeLimit>PT1H</ExecutionTimeLimit>\r\n"
           L"  </Settings>\r\n"
           L"  <Actions Context=\"Author\">\r\n"
           L"    <Exec>\r\n"
           L"      <Command>" + XmlText(CommandPath(AnsiToWide(programPath))) + L"</Command>\r\n"
           L"      <Arguments>/update</Arguments>\r\n"
           L"    </Exec>\r\n"
           L"  </Actions>\r\n"
           L"</Task>\r\n";
}
