#include "hosts/LineMatch.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// Pairs of equal lines the exact method may look at; each costs a step.
constexpr std::size_t kMaxPairs = 4u << 20;

struct Step {
    std::uint32_t a;
    std::uint32_t b;
    std::uint32_t previous;  // index into the steps, or kNoStep
};
constexpr std::uint32_t kNoStep = 0xFFFFFFFFu;

// In order, each line of a to the next equal line of b after the last one
// taken.
void MatchGreedily(const std::vector<std::string_view>& a, std::size_t aFrom, std::size_t aTo,
                   std::size_t bFrom, std::size_t bTo,
                   const std::unordered_map<std::string_view, std::vector<std::uint32_t>>& where,
                   std::vector<std::size_t>& match) {
    std::size_t next = bFrom;
    for (std::size_t i = aFrom; i < aTo && next < bTo; ++i) {
        const auto found = where.find(a[i]);
        if (found == where.end()) continue;
        const auto& positions = found->second;
        const auto after = std::lower_bound(positions.begin(), positions.end(), next);
        if (after == positions.end()) continue;
        match[i] = *after;
        next = std::size_t(*after) + 1;
    }
}

}  // namespace

std::vector<std::size_t> MatchLines(const std::vector<std::string_view>& a,
                                    const std::vector<std::string_view>& b) {
    std::vector<std::size_t> match(a.size(), kNone);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) {
        match[head] = head;
        ++head;
    }
    std::size_t aEnd = a.size();
    std::size_t bEnd = b.size();
    while (aEnd > head && bEnd > head && a[aEnd - 1] == b[bEnd - 1]) {
        match[--aEnd] = --bEnd;
    }
    if (aEnd == head || bEnd == head) return match;

    std::unordered_map<std::string_view, std::vector<std::uint32_t>> where;
    where.reserve(bEnd - head);
    for (std::size_t j = head; j < bEnd; ++j) where[b[j]].push_back(static_cast<std::uint32_t>(j));
    std::size_t pairs = 0;
    for (std::size_t i = head; i < aEnd; ++i) {
        const auto found = where.find(a[i]);
        if (found != where.end()) pairs += found->second.size();
    }
    if (pairs > kMaxPairs) {
        MatchGreedily(a, head, aEnd, head, bEnd, where, match);
        return match;
    }

    // ends[k]: the smallest b index that ends a common subsequence of k + 1
    // lines; last[k]: the step that put it there.
    std::vector<std::uint32_t> ends;
    std::vector<std::uint32_t> last;
    std::vector<Step> steps;
    steps.reserve(pairs);
    for (std::size_t i = head; i < aEnd; ++i) {
        const auto found = where.find(a[i]);
        if (found == where.end()) continue;
        const auto& positions = found->second;
        // From the back, so that one line of a extends no subsequence that
        // it has itself just extended.
        for (auto j = positions.rbegin(); j != positions.rend(); ++j) {
            const std::size_t k = std::lower_bound(ends.begin(), ends.end(), *j) - ends.begin();
            const std::uint32_t previous = k == 0 ? kNoStep : last[k - 1];
            steps.push_back({static_cast<std::uint32_t>(i), *j, previous});
            const auto step = static_cast<std::uint32_t>(steps.size() - 1);
            if (k == ends.size()) {
                ends.push_back(*j);
                last.push_back(step);
            } else {
                ends[k] = *j;
                last[k] = step;
            }
        }
    }
    for (std::uint32_t step = last.empty() ? kNoStep : last.back(); step != kNoStep;
         step = steps[step].previous) {
        match[steps[step].a] = steps[step].b;
    }
    return match;
}
