#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Which lines of a stay in b: a longest common subsequence of the two, for
// each line of a the index of its partner in b, or npos. Equal beginnings
// and ends are matched first; the rest by Hunt and Szymanski's method,
// which is fast when few lines repeat, as in HOSTS files. Where lines
// repeat so often that the exact answer would cost too much, a shorter
// common subsequence is taken: fewer lines then count as kept.
std::vector<std::size_t> MatchLines(const std::vector<std::string_view>& a,
                                    const std::vector<std::string_view>& b);
