#include "tests/toolkit/net/TlsTestServer.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_storage Loopback(bool ipv6, int port, socklen_t& len)
{
    sockaddr_storage a{};
    if (ipv6) {
        auto& a6 = reinterpret_cast<sockaddr_in6&>(a);
        a6.sin6_family = AF_INET6;
        a6.sin6_addr = in6addr_loopback;
        a6.sin6_port = htons(static_cast<uint16_t>(port));
        len = sizeof a6;
    } else {
        auto& a4 = reinterpret_cast<sockaddr_in&>(a);
        a4.sin_family = AF_INET;
        a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a4.sin_port = htons(static_cast<uint16_t>(port));
        len = sizeof a4;
    }
    return a;
}

}  // namespace

TlsTestServer::TlsTestServer(bool ipv6)
{
    std::signal(SIGPIPE, SIG_IGN);  // a client that leaves mid-write must not end the tests
    if (FDir.Path().empty()) {
        FError = "no temporary directory";
        return;
    }
    FCert = FDir.Path() + "/cert.pem";
    const std::string key = FDir.Path() + "/key.pem";
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=localhost"
        " -addext subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1 -keyout " +
        key + " -out " + FCert + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        FError = "openssl could not make a certificate";
        return;
    }
    FContext = SSL_CTX_new(TLS_server_method());
    if (!FContext || SSL_CTX_use_certificate_file(FContext, FCert.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(FContext, key.c_str(), SSL_FILETYPE_PEM) != 1) {
        FError = "the server context cannot be made";
        return;
    }
    FListen = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    socklen_t len;
    sockaddr_storage a = Loopback(ipv6, 0, len);
    if (FListen < 0 || ::bind(FListen, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(FListen, 16) != 0) {
        FError = std::string("listen: ") + std::strerror(errno);
        return;
    }
    len = sizeof a;
    ::getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &len);
    FPort = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6&>(a).sin6_port : reinterpret_cast<sockaddr_in&>(a).sin_port);
    FThreads.emplace_back([this] { AcceptLoop(); });
}

TlsTestServer::~TlsTestServer()
{
    FStopping = true;
    if (FListen >= 0) ::shutdown(FListen, SHUT_RDWR);
    {
        std::lock_guard<std::mutex> hold(FLock);
        for (int fd : FOpen) ::shutdown(fd, SHUT_RDWR);
    }
    for (;;) {
        std::thread t;
        {
            std::lock_guard<std::mutex> hold(FLock);
            if (FThreads.empty()) break;
            t = std::move(FThreads.back());
            FThreads.pop_back();
        }
        t.join();
    }
    if (FListen >= 0) ::close(FListen);
    if (FContext) SSL_CTX_free(FContext);
}

void TlsTestServer::AcceptLoop()
{
    while (!FStopping) {
        pollfd p{FListen, POLLIN, 0};
        if (::poll(&p, 1, -1) <= 0) continue;
        const int fd = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (FStopping) return;
            continue;
        }
        std::lock_guard<std::mutex> hold(FLock);
        if (FStopping) {
            ::close(fd);
            return;
        }
        FOpen.push_back(fd);
        FThreads.emplace_back([this, fd] { Serve(fd); });
    }
}

void TlsTestServer::ConnectTo(int port, bool ipv6)
{
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    socklen_t len;
    sockaddr_storage a = Loopback(ipv6, port, len);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&a), len) != 0) {
        if (fd >= 0) ::close(fd);
        return;
    }
    std::lock_guard<std::mutex> hold(FLock);
    FOpen.push_back(fd);
    FThreads.emplace_back([this, fd] { Serve(fd); });
}

void TlsTestServer::Serve(int fd)
{
    SSL* ssl = SSL_new(FContext);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) == 1) {
        ++FHandshakes;
        if (SSL_session_reused(ssl)) ++FResumed;
        bool ok = FGreeting.empty() || SSL_write(ssl, FGreeting.data(), static_cast<int>(FGreeting.size())) > 0;
        char buffer[16384];
        if (ok && FCloseAfterGreeting) ok = false;  // no close_notify: the close below ends it
        if (ok && FShutdownAfterGreeting) {
            SSL_shutdown(ssl);
            while (::recv(fd, buffer, sizeof buffer, 0) > 0) {}
            ok = false;
        }
        while (ok) {
            const int n = SSL_read(ssl, buffer, sizeof buffer);
            if (n <= 0) break;
            for (int done = 0; ok && done < n;) {
                const int w = SSL_write(ssl, buffer + done, n - done);
                ok = w > 0;
                done += w;
            }
        }
        if (ok) SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    ERR_clear_error();
    std::lock_guard<std::mutex> hold(FLock);
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    for (auto it = FOpen.begin(); it != FOpen.end(); ++it)
        if (*it == fd) {
            FOpen.erase(it);
            break;
        }
}
