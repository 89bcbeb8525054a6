#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

// Serves the files below a folder over HTTP on 127.0.0.1 (a free port) from
// a thread, for as long as it lives: GET only, one request per connection.
class LocalHttpServer {
public:
    explicit LocalHttpServer(std::string folder) : folder_(std::move(folder)) {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(socket_, 16) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LocalHttpServer() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (socket_ >= 0) {
            ::close(socket_);
        }
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const noexcept { return port_; }
    // "127.0.0.1:PORT" (no scheme).
    std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + HostAndPort() + path; }
    int Requests() const noexcept { return requests_; }
    // The paths asked for so far, in order ("/a.xsd /b.xsd"), for messages.
    std::string RequestedPaths() const {
        std::lock_guard<std::mutex> hold(lock_);
        return paths_;
    }

private:
    void Serve() {
        while (!stop_) {
            pollfd waiting{socket_, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0) {
                continue;
            }
            const int client = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                Answer(client);
                ::close(client);
            }
        }
    }

    void Answer(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return;
            }
            request.append(buffer, static_cast<size_t>(got));
        }
        const size_t start = request.find(' ') + 1;
        std::string path = request.substr(start, request.find(' ', start) - start);
        {
            std::lock_guard<std::mutex> hold(lock_);
            paths_ += (paths_.empty() ? "" : " ") + path;
        }
        ++requests_;
        std::string body;
        std::string status = "404 Not Found";
        std::ifstream file(folder_ + path, std::ios::binary);
        if (request.rfind("GET ", 0) == 0 && path.find("..") == std::string::npos && file) {
            body.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            status = "200 OK";
        }
        const std::string response = "HTTP/1.1 " + status +
                                     "\r\nContent-Length: " + std::to_string(body.size()) +
                                     "\r\nConnection: close\r\n\r\n" + body;
        for (size_t sent = 0; sent < response.size();) {
            const ssize_t n =
                ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            sent += static_cast<size_t>(n);
        }
    }

    std::string folder_;
    int socket_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex lock_;
    std::string paths_;
    std::thread thread_;
};

}  // namespace testsupport
