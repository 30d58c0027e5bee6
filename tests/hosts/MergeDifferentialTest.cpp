#include "hosts/HostsText.h"
#include "tests/support/PairwiseMerge.h"
#include "tests/hosts/HostsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// Pieces of names, each in two cases. The double-byte ones include
// characters whose second byte is an ASCII letter or "\".
struct Piece {
    const char* lower;
    const char* upper;
};
const Piece kPieces[] = {
    {"ads", "ADS"},   {"a", "A"},       {"track", "TrAcK"}, {"x1", "X1"},     {"-", "-"},
    {"丄", "丄"},     {"乤", "乤"},     {"華", "華"},       {"乗", "乗"},     {"中文", "中文"},
    {"ａｂ", "ＡＢ"}, {"ω", "Ω"},       {"я", "Я"},         {"网站", "网站"}, {"z", "Z"},
};
const char* const kAddresses[] = {"0.0.0.0", "127.0.0.1", "::1", "1234:5678:9abc:def0::1", "#"};
const char* const kGaps[] = {" ", "\t", "  \t ", " \t"};

class LineMaker {
public:
    explicit LineMaker(unsigned seed) : random_(seed) {}

    // A name as a sequence of pieces, so it can be written in either case.
    std::vector<int> NewName() {
        std::vector<int> name(1 + Pick(3));
        for (int& piece : name) piece = Pick(std::size(kPieces));
        return name;
    }
    std::string Write(const std::vector<int>& name) {
        std::string text;
        for (int piece : name) {
            text += Pick(2) ? kPieces[piece].upper : kPieces[piece].lower;
            text += '.';
        }
        return text + (Pick(2) ? "cn" : "COM");
    }
    std::string Line(const std::vector<std::vector<int>>& pool) {
        switch (Pick(12)) {
        case 0: return "# remark " + Write(pool[Pick(pool.size())]);
        case 1: return std::string(Pick(3), ' ');
        case 2: return Write(pool[Pick(pool.size())]);  // name without address
        default: break;
        }
        std::string line = std::string(Pick(4) == 0 ? " " : "") + kAddresses[Pick(std::size(kAddresses))];
        line += kGaps[Pick(std::size(kGaps))] + Write(pool[Pick(pool.size())]);
        if (Pick(6) == 0) line += kGaps[Pick(std::size(kGaps))] + Write(pool[Pick(pool.size())]);
        if (Pick(8) == 0) line += " #ads";
        if (Pick(5) == 0) line += kGaps[Pick(std::size(kGaps))];
        return line;
    }
    std::string Text(int lines, const std::vector<std::vector<int>>& pool) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += Line(pool) + (Pick(2) ? "\r\n" : "\n");
        if (Pick(2)) text += Line(pool);  // no final line break
        return text;
    }
    unsigned Pick(std::size_t count) {
        return std::uniform_int_distribution<unsigned>(0, static_cast<unsigned>(count) - 1)(random_);
    }

private:
    std::mt19937 random_;
};

std::size_t CountLineBreaks(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", pos + 2)) {
        ++count;
    }
    return count;
}

TEST(MergeDifferential, KeyedMergeMatchesPairwiseOnRandomLists) {
    int appendingRounds = 0;
    int skippingRounds = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        LineMaker maker(seed);
        std::vector<std::vector<int>> pool;
        for (int i = 0; i < 40; ++i) pool.push_back(maker.NewName());
        const std::string list = maker.Text(1 + maker.Pick(60), pool);
        const std::string added = maker.Text(1 + maker.Pick(60), pool);

        std::string keyed = list;
        AppendNewEntries(keyed, added);
        std::string pairwise = list;
        AppendNewEntriesPairwise(pairwise, added);
        ASSERT_EQ(pairwise, keyed) << "seed " << seed << "\nlist:\n" << list << "\nnew:\n" << added;

        const std::size_t appended = CountLineBreaks(keyed) - CountLineBreaks(list);
        const std::size_t entries = SplitEntryLines(added).size();
        appendingRounds += appended > 0;
        skippingRounds += appended < entries;
    }
    // The inputs must exercise both outcomes.
    EXPECT_GT(appendingRounds, 40);
    EXPECT_GT(skippingRounds, 40);
}

TEST(MergeDifferential, KeyedMergeMatchesPairwiseOnRealLists) {
    const char* dir = std::getenv("SITEMOAT_TEST_DATA");
    ASSERT_NE(nullptr, dir);
    const std::string adservers = ReadWholeFile(std::string(dir) + "anudeep-adservers.hosts");
    const std::string coinminer = ReadWholeFile(std::string(dir) + "anudeep-coinminer.hosts");
    ASSERT_GT(adservers.size(), 100000u);
    ASSERT_GT(coinminer.size(), 10000u);

    // Part of one list plus a third of the other in capitals, merged with the
    // whole second list: many names are held already, in another case.
    std::string list = adservers.substr(0, adservers.find('\n', 120000)) + "\n";
    std::string capitals = coinminer.substr(0, coinminer.size() / 3);
    CharUpperA(&capitals[0]);
    list += capitals;

    std::string keyed = list;
    AppendNewEntries(keyed, coinminer);
    std::string pairwise = list;
    AppendNewEntriesPairwise(pairwise, coinminer);
    EXPECT_EQ(pairwise, keyed);
    EXPECT_GT(keyed.size(), list.size() + coinminer.size() / 2);
}

}  // namespace
