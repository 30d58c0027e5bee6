// The exception list read from the dialog's text (config.ini holds it, so it
// is hostile input too): its match agrees with the plain reference for the
// names of the input, and for the list's own names in other forms.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Reference.h"
#include "hosts/BlockList.h"

#include <string>

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

void CheckName(const ExceptionList& list, const RefExceptions& reference, std::string_view name) {
    if (list.Matches(name) != reference.Matches(name)) {
        std::fprintf(stderr, "name \"%.*s\": list %d, reference %d\n", static_cast<int>(name.size()),
                     name.data(), list.Matches(name), reference.Matches(name));
        FUZZ_CHECK(list.Matches(name) == reference.Matches(name));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = InputParts(data, size, 2);
    const ExceptionList list(parts[0]);
    const RefExceptions reference(parts[0]);
    FUZZ_CHECK(list.Empty() == reference.Empty());

    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= parts[1].size(); ++pos) {
        if (pos < parts[1].size() && parts[1][pos] != '\n') continue;
        CheckName(list, reference, parts[1].substr(start, pos - start));
        start = pos + 1;
    }
    // A list's own names in other forms; the first few, as the reference is slow.
    constexpr std::size_t kOwnNames = 16;
    for (const auto* names : {&reference.Exact(), &reference.Parents()}) {
        for (std::size_t i = 0; i < names->size() && i < kOwnNames; ++i) {
            const std::string& name = (*names)[i];
            for (const std::string& form : {name, Upper(name), name + ".", "a." + name, "." + name,
                                            name.substr(name.find('.') + 1), "x" + name}) {
                CheckName(list, reference, form);
            }
        }
    }
    return 0;
}
