// The check of a downloaded body, list or not. A web page, compressed data,
// binary data and blank text are never lists, whatever follows; a list
// stays a list when list lines are added; the merge agrees with the check.
#include "fuzz/FuzzSupport.h"
#include "hosts/BlockList.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const bool isList = IsBlockListBody(body);
    BlockListMerger merger("");
    FUZZ_CHECK(merger.Append(body, {}).isList == isList);

    for (const char* page : {"<!DOCTYPE html>", "\r\n <HTML lang=\"zh\">", "\xEF\xBB\xBF<html>",
                             "<?xml version=\"1.0\"?>"}) {
        FUZZ_CHECK(!IsBlockListBody(page + ("\n" + body)));
    }
    FUZZ_CHECK(!IsBlockListBody("\x1F\x8B" + body));
    FUZZ_CHECK(!IsBlockListBody(std::string(body.size() / 8 + 1, '\x01') + body));
    if (body.find_first_not_of(std::string(" \t\v\f\r\n\0", 7)) == std::string::npos) {
        FUZZ_CHECK(!isList);
    }
    if (isList) FUZZ_CHECK(IsBlockListBody(body + "\n0.0.0.0 ads.example\n"));
    return 0;
}
