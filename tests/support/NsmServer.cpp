#include "tests/support/NsmServer.hpp"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quovent::test {

namespace {

constexpr std::size_t kMaxDatagram = 65536;

// OSC strings end with at least one zero and are padded to four bytes.
void putString(std::string& out, const std::string& text) {
    out += text;
    out.append(4 - text.size() % 4, '\0');
}

std::optional<std::string> takeString(const std::string& in, std::size_t& at) {
    const auto end = in.find('\0', at);
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::string text = in.substr(at, end - at);
    at = (end / 4 + 1) * 4;
    return text;
}

std::string encode(const OscMessage& message) {
    std::string out;
    putString(out, message.address);
    putString(out, std::string(1, ',').append(message.arguments.size(), 's'));
    for (const std::string& argument : message.arguments) {
        putString(out, argument);
    }
    return out;
}

// The address and string arguments; integers (an announce's version and pid) are skipped.
// Nothing for a datagram that is not a message of strings and integers.
std::optional<OscMessage> decode(const std::string& in) {
    std::size_t at = 0;
    const auto address = takeString(in, at);
    const auto tags = takeString(in, at);
    if (!address || !tags || tags->empty() || (*tags)[0] != ',') {
        return std::nullopt;
    }
    OscMessage message{*address, {}};
    for (const char tag : tags->substr(1)) {
        if (tag == 'i' && at + 4 <= in.size()) {
            at += 4;
            continue;
        }
        const auto text = tag == 's' ? takeString(in, at) : std::nullopt;
        if (!text) {
            return std::nullopt;
        }
        message.arguments.push_back(*text);
    }
    return message;
}

} // namespace

NsmServer::NsmServer() {
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (socket_ >= 0) {
            ::close(socket_);
        }
        socket_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
}

NsmServer::~NsmServer() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

std::string NsmServer::url() const {
    return "osc.udp://127.0.0.1:" + std::to_string(port_) + "/";
}

std::optional<OscMessage> NsmServer::receive(std::chrono::milliseconds limit) {
    pollfd ready{socket_, POLLIN, 0};
    if (socket_ < 0 || ::poll(&ready, 1, static_cast<int>(limit.count())) != 1) {
        return std::nullopt;
    }
    std::string datagram(kMaxDatagram, '\0');
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t got = ::recvfrom(socket_, datagram.data(), datagram.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got <= 0) {
        return std::nullopt;
    }
    client_ = from;
    hasClient_ = true;
    datagram.resize(static_cast<std::size_t>(got));
    return decode(datagram);
}

std::optional<OscMessage> NsmServer::waitFor(const std::string& address,
                                             std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (auto now = std::chrono::steady_clock::now(); now < deadline;
         now = std::chrono::steady_clock::now()) {
        auto message =
            receive(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now));
        if (message && (message->address == address || message->address == "/error")) {
            return message;
        }
    }
    return std::nullopt;
}

bool NsmServer::acceptAnnounce(std::chrono::milliseconds limit) {
    const auto announce = waitFor("/nsm/server/announce", limit);
    if (!announce || announce->address != "/nsm/server/announce") {
        return false;
    }
    send({"/reply", {"/nsm/server/announce", "welcome", "quovent-test", ":"}});
    return true;
}

bool NsmServer::command(const OscMessage& message, std::chrono::milliseconds limit) {
    send(message);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (auto now = std::chrono::steady_clock::now(); now < deadline;
         now = std::chrono::steady_clock::now()) {
        const auto reply = waitFor(
            "/reply", std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now));
        if (!reply || reply->address == "/error") {
            return false;
        }
        if (!reply->arguments.empty() && reply->arguments[0] == message.address) {
            return true;
        }
    }
    return false;
}

void NsmServer::send(const OscMessage& message) {
    if (socket_ < 0 || !hasClient_) {
        return;
    }
    const std::string datagram = encode(message);
    ::sendto(socket_, datagram.data(), datagram.size(), 0,
             reinterpret_cast<const sockaddr*>(&client_), sizeof client_);
}

} // namespace quovent::test
