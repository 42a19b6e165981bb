// The server side of the Non Session Manager protocol, as much of it as a test needs to have a
// host open, save and leave a session: OSC messages (strings sent; strings and 32-bit integers
// read) over UDP on the loopback address. A client started with NSM_URL=url() announces itself; the
// test answers the announce, then sends it commands and waits for their replies.
//
// Test thread only.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <netinet/in.h>

namespace quovent::test {

struct OscMessage {
    std::string address;
    std::vector<std::string> arguments; // the strings among them
};

class NsmServer {
public:
    NsmServer();
    ~NsmServer();
    NsmServer(const NsmServer&) = delete;
    NsmServer& operator=(const NsmServer&) = delete;

    bool listening() const { return socket_ >= 0; }
    // What a client's NSM_URL says: osc.udp://127.0.0.1:PORT/
    std::string url() const;

    // Waits for the client's announce and welcomes it; false when none came.
    bool acceptAnnounce(std::chrono::milliseconds limit);
    // Sends a command and waits for its /reply; false for an /error or no answer in time.
    bool command(const OscMessage& message, std::chrono::milliseconds limit);

private:
    // The next message from any client within `limit`; the client is then the one sent to.
    std::optional<OscMessage> receive(std::chrono::milliseconds limit);
    // Messages until one with `address` (or /error) arrives; nothing when none does in time.
    std::optional<OscMessage> waitFor(const std::string& address, std::chrono::milliseconds limit);
    void send(const OscMessage& message);

    int socket_ = -1;
    int port_ = 0;
    sockaddr_in client_{};
    bool hasClient_ = false;
};

} // namespace quovent::test
