#include "hosts/HostsPause.h"

#include "base/TextFile.h"

namespace {

constexpr char kMagic[] = "SMPA";
constexpr std::size_t kMagicSize = 4;
constexpr std::size_t kHeadSize = kMagicSize + 8;

unsigned long long Number(std::string_view bytes, std::size_t at) {
    unsigned long long value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<unsigned long long>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

}  // namespace

HostsPause::HostsPause(std::string path) : path_(std::move(path)) {}

std::string HostsPause::Serialize(const State& state) {
    std::string bytes(kMagic, kMagicSize);
    for (int i = 0; i < 8; ++i) bytes += static_cast<char>((state.until >> (8 * i)) & 0xFF);
    return bytes + state.original;
}

bool HostsPause::Parse(std::string_view bytes, State& state) {
    if (bytes.size() < kHeadSize || bytes.substr(0, kMagicSize) != std::string_view(kMagic, kMagicSize)) {
        return false;
    }
    state.until = Number(bytes, kMagicSize);
    state.original.assign(bytes.substr(kHeadSize));
    return true;
}

bool HostsPause::Read(State& state) const {
    std::string bytes;
    return ReadFileBytes(path_, bytes) == ERROR_SUCCESS && Parse(bytes, state);
}

bool HostsPause::Exists() const {
    return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD HostsPause::Write(const State& state) const {
    return ReplaceFileBytes(path_, Serialize(state), true).error;
}

void HostsPause::Remove() const {
    DeleteFileA(path_.c_str());
}

unsigned long long FileTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}
