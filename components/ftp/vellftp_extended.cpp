// TVellFtp: the extended data commands (EPSV, EPRT) that an IPv6 control connection needs;
// PASV and PORT can only name IPv4 addresses.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/net/WinSock.h"

#include <string>

bool TVellFtp::ExtendedDataCommands() const { return FControlSocket->Socket()->AddressFamily() == AF_INET6; }

// "229 Entering Extended Passive Mode (|||6446|)": the port, or -1. The delimiter is the
// character after "(", and the address fields are empty: the data connection goes to the
// control connection's peer anyway.
int TVellFtp::ParseEPSV(const AnsiString& reply)
{
    const std::string text = reply.c_str();
    if (LeadingNumber(text.c_str()) != 229) return -1;
    const std::size_t open = text.find('(');
    if (open == std::string::npos || open + 1 >= text.size()) return -1;
    const char d = text[open + 1];
    if (d < 33 || d > 126 || IsDigit(d)) return -1;
    const std::size_t first = open + 1;
    if (text.compare(first, 3, std::string(3, d)) != 0) return -1;
    const std::size_t start = first + 3;
    const std::size_t end = text.find(d, start);
    if (end == std::string::npos || end == start || end - start > 5 || end + 1 >= text.size() || text[end + 1] != ')') return -1;
    int port = 0;
    for (std::size_t i = start; i < end; ++i) {
        if (!IsDigit(text[i])) return -1;
        port = port * 10 + (text[i] - '0');
    }
    return port >= 1 && port <= 65535 ? port : -1;
}

// "|2|address|port|" with the control connection's own address, advancing the port counter
// like the PORT argument does.
AnsiString TVellFtp::GetEprtString()
{
    const int next = NextDataPort();
    AnsiString argument = EprtArgument(next);
    if (!argument.IsEmpty()) LastDataPort = next;  // no address, no port used up
    return argument;
}

AnsiString TVellFtp::EprtArgument(int port) const
{
    std::string local = FControlSocket->Socket()->LocalAddress().str();
    local = local.substr(0, local.find('%'));  // a link-local zone means nothing to the server
    if (local.empty()) return AnsiString();
    return AnsiString("|2|" + local + "|" + std::to_string(port) + "|");
}
