#include "tests/support/LoopbackHttpServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr DWORD kReceiveTimeoutMs = 5000;
constexpr long kPollMicroseconds = 20000;
// A stalled response ends by itself after this, should its client never go.
constexpr ULONGLONG kLongestStallMs = 60000;

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Reads up to the blank line that ends the request head; the requests of
// interest here carry no body.
std::string ReceiveHead(SOCKET client) {
    std::string head;
    char chunk[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        int received = recv(client, chunk, sizeof chunk, 0);
        if (received <= 0) break;
        head.append(chunk, size_t(received));
    }
    return head;
}

ReceivedRequest ParseHead(const std::string& head) {
    ReceivedRequest request;
    size_t end = head.find("\r\n");
    request.requestLine = head.substr(0, end);
    size_t pathStart = request.requestLine.find(' ');
    if (pathStart != std::string::npos) {
        size_t pathEnd = request.requestLine.find(' ', pathStart + 1);
        request.path = request.requestLine.substr(pathStart + 1, pathEnd - pathStart - 1);
    }
    while (end != std::string::npos) {
        size_t start = end + 2;
        end = head.find("\r\n", start);
        if (end == std::string::npos || end == start) break;
        request.headers.push_back(head.substr(start, end - start));
    }
    return request;
}

// True when the client has closed its end (or sent something, which is
// read and dropped) within the poll time.
bool ClientClosed(SOCKET client) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(client, &readable);
    timeval wait = {0, kPollMicroseconds};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return false;
    char byte;
    return recv(client, &byte, 1, 0) <= 0;
}

}  // namespace

std::string ReceivedRequest::Header(const std::string& name) const {
    for (const std::string& line : headers) {
        size_t colon = line.find(':');
        if (colon == std::string::npos || !SameText(line.substr(0, colon), name)) continue;
        size_t value = line.find_first_not_of(' ', colon + 1);
        return value == std::string::npos ? std::string() : line.substr(value);
    }
    return std::string();
}

std::string RawHttpResponse(const std::string& status, const std::vector<std::string>& headers,
                            const std::string& body) {
    std::string response = "HTTP/1.1 " + status + "\r\n";
    for (const std::string& header : headers) response += header + "\r\n";
    return response + "\r\n" + body;
}

LoopbackHttpServer::LoopbackHttpServer() : listener_(INVALID_SOCKET) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    winsockStarted_ = true;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return;
    listener_ = listener;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, SOMAXCONN) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread(&LoopbackHttpServer::Serve, this);
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    // Each successful WSAStartup is paired with one WSACleanup, no more.
    if (winsockStarted_) WSACleanup();
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::SetResponse(const std::string& path, std::string rawResponse) {
    SetHandler(path, [rawResponse](const ReceivedRequest&) { return rawResponse; });
}

void LoopbackHttpServer::SetHandler(const std::string& path, HttpHandler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    Script script;
    script.respond = std::move(handler);
    scripts_[path] = std::move(script);
}

void LoopbackHttpServer::SetStalledResponse(const std::string& path, std::string head,
                                            std::string drip, unsigned dripIntervalMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Script script;
    script.respond = [head](const ReceivedRequest&) { return head; };
    script.stalls = true;
    script.drip = std::move(drip);
    script.dripIntervalMs = dripIntervalMs;
    scripts_[path] = std::move(script);
}

void LoopbackHttpServer::SetList(const std::string& path, const std::string& stamp,
                                 const std::string& body) {
    std::vector<std::string> headers = {"Content-Type: text/plain",
                                        "Content-Length: " + std::to_string(body.size())};
    if (!stamp.empty()) headers.push_back("Last-Modified: " + stamp);
    SetResponse(path, RawHttpResponse("200 OK", headers, body));
}

void LoopbackHttpServer::SetStaticList(const std::string& path, const std::string& lastModified,
                                       const std::string& etag, const std::string& body) {
    SetHandler(path, [=](const ReceivedRequest& request) {
        const std::string ifNoneMatch = request.Header("If-None-Match");
        const std::string ifModifiedSince = request.Header("If-Modified-Since");
        if ((!etag.empty() && ifNoneMatch == etag) ||
            (!lastModified.empty() && ifNoneMatch.empty() && ifModifiedSince == lastModified)) {
            return RawHttpResponse("304 Not Modified", {}, "");
        }
        std::vector<std::string> headers = {"Content-Type: text/plain",
                                            "Content-Length: " + std::to_string(body.size())};
        if (!lastModified.empty()) headers.push_back("Last-Modified: " + lastModified);
        if (!etag.empty()) headers.push_back("ETag: " + etag);
        return RawHttpResponse("200 OK", headers, body);
    });
}

std::vector<ReceivedRequest> LoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> LoopbackHttpServer::RequestedPaths() const {
    std::vector<std::string> paths;
    for (const ReceivedRequest& request : Requests()) paths.push_back(request.path);
    return paths;
}

void LoopbackHttpServer::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    connections_ = 0;
    bytesSent_ = 0;
}

void LoopbackHttpServer::Serve() {
    SOCKET listener = listener_;
    while (!stopping_) {
        // Polling lets the destructor stop the thread without closing the
        // socket under a blocked accept.
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval wait = {0, kPollMicroseconds};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        ++connections_;
        Answer(client);
        closesocket(client);
    }
}

void LoopbackHttpServer::Answer(std::uintptr_t client) {
    DWORD timeout = kReceiveTimeoutMs;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    std::string head = ReceiveHead(client);
    if (head.empty()) return;
    ReceivedRequest request = ParseHead(head);
    Script script;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        auto scripted = scripts_.find(request.path);
        if (scripted != scripts_.end()) script = scripted->second;
    }
    SendAll(client, script.respond ? script.respond(request)
                                   : RawHttpResponse("404 Not Found",
                                                     {"Content-Length: 0", "Connection: close"},
                                                     ""));
    if (script.stalls) Stall(client, script);
    shutdown(client, SD_SEND);
}

void LoopbackHttpServer::SendAll(std::uintptr_t client, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        int count = int(std::min<size_t>(bytes.size() - sent, 1 << 20));
        // Counted before they go: the client may have read them all, and
        // the test asked for the count, before send returns here.
        bytesSent_ += count;
        int result = send(client, bytes.data() + sent, count, 0);
        if (result < count) bytesSent_ -= count - std::max(result, 0);
        if (result <= 0) return;
        sent += size_t(result);
    }
}

// Polls, so that the destructor can stop the thread at any time.
void LoopbackHttpServer::Stall(std::uintptr_t client, const Script& script) {
    const ULONGLONG start = GetTickCount64();
    size_t dripped = 0;
    while (!stopping_ && GetTickCount64() - start < kLongestStallMs) {
        const ULONGLONG dueAt = start + ULONGLONG(dripped + 1) * script.dripIntervalMs;
        if (dripped < script.drip.size() && GetTickCount64() >= dueAt) {
            ++bytesSent_;
            if (send(client, &script.drip[dripped], 1, 0) != 1) {
                --bytesSent_;
                return;
            }
            ++dripped;
        }
        if (ClientClosed(client)) return;
    }
}
