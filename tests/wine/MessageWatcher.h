// Reads and closes the message boxes that this process shows, from a thread
// of its own, as a user would read and dismiss them.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MessageWatcher {
public:
    struct Box {
        HWND owner;
        std::wstring caption;
        std::wstring text;
        bool errorIcon;
    };

    MessageWatcher() : thread_([this] { Watch(); }) {}
    ~MessageWatcher() {
        stop_ = true;
        thread_.join();
    }
    MessageWatcher(const MessageWatcher&) = delete;
    MessageWatcher& operator=(const MessageWatcher&) = delete;

    // The boxes seen since the last call.
    std::vector<Box> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::move(boxes_);
    }

private:
    static BOOL CALLBACK Found(HWND window, LPARAM self) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(className) == L"#32770")
            reinterpret_cast<MessageWatcher*>(self)->Seen(window);
        return TRUE;
    }

    void Seen(HWND box) {
        for (HWND closed : closed_)
            if (closed == box && IsWindow(box)) return;
        wchar_t caption[256] = {}, text[4096] = {};
        GetWindowTextW(box, caption, 256);
        GetDlgItemTextW(box, 0xFFFF, text, 4096);  // the message box's text
        // The icon is a static control that shows the system's icon: for an
        // error, IDI_HAND. Windows numbers that control 20, Wine 1088.
        HWND icon = GetDlgItem(box, 20);
        if (!icon) icon = GetDlgItem(box, 1088);
        const HICON shown = icon ? reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0)) : nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            boxes_.push_back({GetWindow(box, GW_OWNER), caption, text, shown && shown == LoadIconW(nullptr, IDI_HAND)});
        }
        closed_.push_back(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }

    void Watch() {
        while (!stop_) {
            EnumWindows(Found, reinterpret_cast<LPARAM>(this));
            Sleep(20);
        }
    }

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Box> boxes_;
    std::vector<HWND> closed_;
    std::thread thread_;
};
