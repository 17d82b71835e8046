#include "tests/app/ClipboardManager.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

ClipboardManager::~ClipboardManager()
{
    if (FThread.joinable()) {
        char stop = 1;
        [[maybe_unused]] ssize_t n = write(FStop[1], &stop, 1);
        FThread.join();
    }
    for (int fd : FStop)
        if (fd >= 0) close(fd);
    if (FConnection) xcb_disconnect(FConnection);
}

uint32_t ClipboardManager::Atom(const char* name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(FConnection, xcb_intern_atom(FConnection, 0, static_cast<uint16_t>(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : uint32_t{XCB_ATOM_NONE};
}

bool ClipboardManager::Start(const std::string& display)
{
    FConnection = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(FConnection)) return false;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data;
    FWindow = xcb_generate_id(FConnection);
    uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(FConnection, XCB_COPY_FROM_PARENT, FWindow, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    FClipboard = Atom("CLIPBOARD");
    FManager = Atom("CLIPBOARD_MANAGER");
    FSaveTargets = Atom("SAVE_TARGETS");
    FTargets = Atom("TARGETS");
    FUtf8 = Atom("UTF8_STRING");
    FString = XCB_ATOM_STRING;
    FIncoming = Atom("TAVIN3_TEST_MANAGER_DATA");
    xcb_set_selection_owner(FConnection, FWindow, FManager, XCB_CURRENT_TIME);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(FConnection, xcb_get_selection_owner(FConnection, FManager), nullptr), &std::free);
    if (!owner || owner->owner != FWindow) return false;
    if (pipe2(FStop, O_CLOEXEC) != 0) return false;
    FThread = std::thread([this] { Serve(); });
    return true;
}

std::optional<std::string> ClipboardManager::WaitSaved(int timeoutMs)
{
    std::unique_lock lock(FMutex);
    FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return FSaved.has_value(); });
    return FSaved;
}

void ClipboardManager::Serve()
{
    for (;;) {
        pollfd fds[2] = {{xcb_get_file_descriptor(FConnection), POLLIN, 0}, {FStop[0], POLLIN, 0}};
        while (xcb_generic_event_t* event = xcb_poll_for_event(FConnection)) {
            switch (event->response_type & 0x7f) {
            case XCB_SELECTION_REQUEST: OnSelectionRequest(event); break;
            case XCB_SELECTION_NOTIFY: OnSelectionNotify(event); break;
            default: break;
            }
            std::free(event);
        }
        xcb_flush(FConnection);
        if (xcb_connection_has_error(FConnection)) return;
        if (poll(fds, 2, -1) < 0 || fds[1].revents) return;
    }
}

void ClipboardManager::OnSelectionRequest(const void* raw)
{
    const auto* request = static_cast<const xcb_selection_request_event_t*>(raw);
    xcb_atom_t property = request->property == XCB_ATOM_NONE ? request->target : request->property;  // old clients
    xcb_selection_notify_event_t reply{};
    reply.response_type = XCB_SELECTION_NOTIFY;
    reply.time = request->time;
    reply.requestor = request->requestor;
    reply.selection = request->selection;
    reply.target = request->target;
    reply.property = XCB_ATOM_NONE;
    if (request->selection == FManager && request->target == FSaveTargets) {
        // Fetch the text now; the program is told once it is kept (OnSelectionNotify).
        FSaveRequestor = request->requestor;
        FSaveProperty = property;
        FSaveTime = request->time;
        xcb_convert_selection(FConnection, FWindow, FClipboard, FUtf8, FIncoming, request->time);
        return;
    }
    if (request->selection == FClipboard && request->target == FTargets) {
        xcb_atom_t targets[] = {FTargets, FUtf8, FString};
        xcb_change_property(FConnection, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM, 32, 3, targets);
        reply.property = property;
    } else if (request->selection == FClipboard && (request->target == FUtf8 || request->target == FString)) {
        xcb_change_property(FConnection, XCB_PROP_MODE_REPLACE, request->requestor, property, request->target, 8,
                            static_cast<uint32_t>(FText.size()), FText.data());
        reply.property = property;
    }
    xcb_send_event(FConnection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&reply));
}

void ClipboardManager::OnSelectionNotify(const void* raw)
{
    const auto* notify = static_cast<const xcb_selection_notify_event_t*>(raw);
    if (notify->requestor != FWindow || notify->selection != FClipboard || !FSaveRequestor) return;
    bool kept = false;
    if (notify->property != XCB_ATOM_NONE) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> value(
            xcb_get_property_reply(FConnection,
                                   xcb_get_property(FConnection, 1, FWindow, FIncoming, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16),
                                   nullptr),
            &std::free);
        if (value && value->format == 8) {
            FText.assign(static_cast<const char*>(xcb_get_property_value(value.get())),
                         static_cast<std::size_t>(xcb_get_property_value_length(value.get())));
            xcb_set_selection_owner(FConnection, FWindow, FClipboard, FSaveTime);
            kept = true;
        }
    }
    xcb_selection_notify_event_t reply{};
    reply.response_type = XCB_SELECTION_NOTIFY;
    reply.time = FSaveTime;
    reply.requestor = FSaveRequestor;
    reply.selection = FManager;
    reply.target = FSaveTargets;
    reply.property = kept ? FSaveProperty : uint32_t{XCB_ATOM_NONE};
    xcb_send_event(FConnection, 0, FSaveRequestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&reply));
    FSaveRequestor = 0;
    if (!kept) return;
    std::lock_guard lock(FMutex);
    FSaved = FText;
    FChanged.notify_all();
}
