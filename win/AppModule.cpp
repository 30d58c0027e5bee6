#include "win/AppModule.h"

#include <algorithm>

AppModule& AppModule::Get() {
    static AppModule module;
    return module;
}

AppModule::AppModule() : instance_(GetModuleHandleA(nullptr)), mainThreadId_(GetCurrentThreadId()) {}

void AppModule::Init(HINSTANCE instance) {
    ScopedLock lock(lock_);
    instance_ = instance;
    mainThreadId_ = GetCurrentThreadId();
    creating_.clear();
}

void AppModule::Term() {
    ScopedLock lock(lock_);
    creating_.clear();
    creating_.shrink_to_fit();
}

void AppModule::AddCreating(WindowObject* object) {
    ScopedLock lock(lock_);
    creating_.push_back({GetCurrentThreadId(), object});
}

WindowObject* AppModule::ExtractCreating() {
    ScopedLock lock(lock_);
    const DWORD thread = GetCurrentThreadId();
    auto it = std::find_if(creating_.begin(), creating_.end(),
                           [thread](const Creating& c) { return c.threadId == thread; });
    if (it == creating_.end()) return nullptr;
    WindowObject* object = it->object;
    creating_.erase(it);
    return object;
}

void AppModule::CancelCreating(WindowObject* object) {
    ScopedLock lock(lock_);
    const DWORD thread = GetCurrentThreadId();
    auto it = std::find_if(creating_.begin(), creating_.end(), [&](const Creating& c) {
        return c.threadId == thread && c.object == object;
    });
    if (it != creating_.end()) creating_.erase(it);
}
