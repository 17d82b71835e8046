#pragma once
// A small X clipboard manager, as desktops run one: it owns CLIPBOARD_MANAGER, and when a
// program asks it to SAVE_TARGETS (as Qt does when it exits owning the clipboard), it copies the
// clipboard's text, takes the clipboard over and serves that text from then on.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct xcb_connection_t;

class ClipboardManager {
public:
    ClipboardManager() = default;
    ClipboardManager(const ClipboardManager&) = delete;
    ClipboardManager& operator=(const ClipboardManager&) = delete;
    ~ClipboardManager();

    // Connects to the display and owns CLIPBOARD_MANAGER; false when it cannot.
    bool Start(const std::string& display);
    // The text saved from a program that handed the clipboard over, once it was.
    std::optional<std::string> WaitSaved(int timeoutMs);

private:
    void Serve();
    void OnSelectionRequest(const void* raw);
    void OnSelectionNotify(const void* raw);
    uint32_t Atom(const char* name);

    xcb_connection_t* FConnection = nullptr;
    uint32_t FWindow = 0;
    uint32_t FClipboard = 0, FManager = 0, FSaveTargets = 0, FTargets = 0, FUtf8 = 0, FString = 0, FIncoming = 0;
    // The SAVE_TARGETS request being answered.
    uint32_t FSaveRequestor = 0, FSaveProperty = 0, FSaveTime = 0;
    std::string FText;  // what it serves as CLIPBOARD owner
    int FStop[2] = {-1, -1};
    std::thread FThread;
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::optional<std::string> FSaved;
};
