#pragma once

#include <windows.h>

#include <vector>

#include "win/Handles.h"

class WindowObject;

// The one application module of the process: the instance that resources
// come from, the main thread, and the window objects being created. A window
// object is put on the list just before its window is created and taken off
// by the first message of that window on the same thread, which binds the two
// (worker threads create their dialogs the same way).
class AppModule {
public:
    static AppModule& Get();

    void Init(HINSTANCE instance);
    void Term();

    HINSTANCE Instance() const { return instance_; }
    DWORD MainThreadId() const { return mainThreadId_; }

    void AddCreating(WindowObject* object);
    // Takes the oldest entry of the calling thread off the list; null if none.
    WindowObject* ExtractCreating();
    // Drops an entry whose window was never created.
    void CancelCreating(WindowObject* object);

private:
    AppModule();

    struct Creating {
        DWORD threadId;
        WindowObject* object;  // not owned
    };

    HINSTANCE instance_;
    DWORD mainThreadId_;
    CriticalSection lock_;
    std::vector<Creating> creating_;
};

// Puts a window object on the list for the creation of its window and takes
// it off again at the end of the scope if no window took it (one that could
// not be created, say).
class CreatingScope {
public:
    explicit CreatingScope(WindowObject* object) : object_(object) {
        AppModule::Get().AddCreating(object);
    }
    ~CreatingScope() { AppModule::Get().CancelCreating(object_); }
    CreatingScope(const CreatingScope&) = delete;
    CreatingScope& operator=(const CreatingScope&) = delete;

private:
    WindowObject* object_;  // not owned
};
