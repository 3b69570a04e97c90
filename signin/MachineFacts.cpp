#include "signin/MachineFacts.h"

#include "engine/Error.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qor {

namespace {

QByteArray hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        throw Error(QString::fromLocal8Bit(std::strerror(errno)));
    return QByteArray(name);
}

} // namespace

QString localIPv4Address()
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM; // one entry per address, not one per socket type
    addrinfo *found = nullptr;
    const int result = ::getaddrinfo(hostName().constData(), nullptr, &hints, &found);
    if (result != 0)
        throw Error(QString::fromLocal8Bit(result == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(result)));
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);

    const auto *address = reinterpret_cast<const sockaddr_in *>(list->ai_addr);
    const auto *bytes = reinterpret_cast<const unsigned char *>(&address->sin_addr.s_addr);
    return QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}

} // namespace qor
