// The FTP client against a server that answers with the fuzzer's bytes, over loopback: the
// login, a passive listing and its lines go through the real reply and listing paths. The
// input is the control replies, then (after the first form feed) the listing data; "PORT" in
// a reply stands for the passive address of the data listener. The server sends the first
// reply on connection and the next one for each command line (after a 1xx reply, at once);
// with none left, it hangs up.
#include "components/ftp/vellftp.h"
#include "fuzz/FuzzSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

// A listening socket on a free loopback port.
struct Listener {
    int fd = -1;
    int port = 0;
    Listener()
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        FUZZ_CHECK(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 4) == 0);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    // The next connection, or -1 when none comes within the bound.
    int Accept(int timeoutMs) const
    {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return -1;
        return accept(fd, nullptr, nullptr);
    }
};

void SendAll(int fd, const std::string& bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

// Replies as sent: each ends at a line whose fourth character is not '-'.
std::vector<std::string> SplitReplies(const std::string& script)
{
    std::vector<std::string> replies(1);
    for (std::size_t at = 0; at < script.size();) {
        std::size_t end = script.find('\n', at);
        end = end == std::string::npos ? script.size() : end + 1;
        const std::string line = script.substr(at, end - at);
        replies.back() += line;
        if (line.size() < 4 || line[3] != '-') replies.emplace_back();
        at = end;
    }
    if (replies.back().empty()) replies.pop_back();
    return replies;
}

void Serve(const Listener& control, const Listener& data, std::string replies, std::string listing)
{
    const std::string address = "127,0,0,1," + std::to_string(data.port >> 8) + "," + std::to_string(data.port & 0xFF);
    for (std::size_t at; (at = replies.find("PORT")) != std::string::npos;) replies.replace(at, 4, address);
    // A data connection the last client opened too late for its server is of no use now.
    for (int stale; (stale = data.Accept(0)) >= 0;) close(stale);
    int c = control.Accept(5000);
    if (c < 0) return;
    const std::vector<std::string> script = SplitReplies(replies);
    std::size_t next = 0;
    // A preliminary (1xx) reply is followed by the next one unasked, as at the end of a transfer.
    auto answer = [&] {
        if (next >= script.size()) return false;
        do SendAll(c, script[next++]);
        while (script[next - 1][0] == '1' && next < script.size());
        return true;
    };
    // The listing goes to the first data connection.
    bool listed = false, talking = answer();
    std::string received;
    while (talking) {
        pollfd p[2] = {{c, POLLIN, 0}, {data.fd, POLLIN, 0}};
        // A client that says nothing for a while waits for what this script will never send.
        if (poll(p, listed ? 1 : 2, 250) <= 0) break;
        if (!listed && (p[1].revents & POLLIN)) {
            listed = true;
            if (int d = accept(data.fd, nullptr, nullptr); d >= 0) {
                SendAll(d, listing);
                close(d);
            }
        }
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[4096];
        const ssize_t n = recv(c, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        received.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; talking && (end = received.find('\n')) != std::string::npos;) {
            received.erase(0, end + 1);
            talking = answer();
        }
    }
    close(c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    StartOffscreenApplication();
    static const Listener control, data;
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = input.find('\f');
    const std::string replies = input.substr(0, split);
    const std::string listing = split == std::string::npos ? std::string() : input.substr(split + 1);

    std::thread server(Serve, std::cref(control), std::cref(data), replies, listing);
    {
        TVellFtp ftp(nullptr);
        ftp.SetHost(AnsiString("127.0.0.1"));
        ftp.SetPort(control.port);
        ftp.SetUserID(AnsiString("user"));
        ftp.SetPassword(AnsiString("pass"));
        ftp.SetTimeOut(50);
        ftp.SetEnablePASV(true);
        std::size_t items = 0;
        struct Counter : TObject {
            std::size_t* n;
            void Item(AnsiString) { ++*n; }
        } counter;
        counter.n = &items;
        ftp.SetOnListItem(TFtpListItemEvent(&counter, &Counter::Item));
        ftp.Loaded();
        try {
            ftp.Connect();
            ftp.List();
        } catch (const Exception&) {}
        try {
            ftp.Disconnect();
        } catch (const Exception&) {}
        FUZZ_CHECK(items <= listing.size() + 1);
    }
    server.join();
    return 0;
}
