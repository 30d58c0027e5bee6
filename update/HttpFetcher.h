#pragma once

#include "update/ScopedHandles.h"

#include <string>

// Results of HttpFetcher::DownloadToFile.
constexpr int kDownloadOk = 0;
constexpr int kDownloadFileFailed = 1;     // target file not created or not written
constexpr int kDownloadRequestFailed = 2;  // bad or non-HTTP address, no connection, status not 200
constexpr int kDownloadNoLength = 3;       // no Content-Length, or 0; target left untouched
constexpr int kDownloadCut = 4;            // body ended early; the file holds what arrived

// Fetches one block list over plain HTTP, synchronously. Belongs to the
// thread that made it; every operation opens and closes its own request.
class HttpFetcher {
public:
    HttpFetcher() = default;
    virtual ~HttpFetcher();
    HttpFetcher(const HttpFetcher&) = delete;
    HttpFetcher& operator=(const HttpFetcher&) = delete;

    // The list stamp: the Last-Modified text as the server sent it, at most
    // 259 characters. Empty when the server cannot be reached, refuses the
    // request or sends no such header. The body is never read.
    std::string GetLastModified(const std::string& address);
    // One of the kDownload codes above.
    int DownloadToFile(const std::string& address, const std::string& targetPath);
    // Closes the request, the connection, the session and the file.
    void CloseHandles();

private:
    static constexpr DWORD kBufferSize = 8192;

    bool OpenRequest();
    int Download();

    long long contentLength_ = 0;
    long long bytesRead_ = 0;
    char buffer_[kBufferSize] = {};  // header queries and body chunks
    FileHandle file_;
    InternetHandle session_;
    InternetHandle connection_;
    InternetHandle request_;
    bool lastReadOk_ = false;
    int downloadResult_ = kDownloadOk;
    std::string stamp_;
    std::string targetPath_;
    std::string address_;
};
