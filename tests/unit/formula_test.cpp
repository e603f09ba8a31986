#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "entries/formula.h"

// A table holding the given texts in slot order, every entry placed (x != 0).
static std::vector<EntryRecord> Table(const std::vector<std::string>& texts)
{
    std::vector<EntryRecord> table(EntryTableSlots);
    for (size_t i = 0; i < texts.size(); i++) {
        EntryRecord& r = table[i];
        r = EntryRecord();
        r.x = 10 + (int)i;
        strncpy(r.text, texts[i].c_str(), EntryTextSize - 1);
    }
    return table;
}

static uint32_t Evaluate(const std::vector<std::string>& texts, int slot = -1)
{
    std::vector<EntryRecord> table = Table(texts);
    return EvaluateFormulaIn(table.data(), table[slot < 0 ? texts.size() - 1 : slot]);
}

static std::vector<std::string> Chain(int last)
{
    std::vector<std::string> texts = { "#1=1" };
    for (int k = 2; k <= last; k++)
        texts.push_back("#" + std::to_string(k) + "=#" + std::to_string(k - 1) + "+1");
    return texts;
}

struct FormulaCase {
    std::vector<std::string> entries;
    uint32_t result;
    int slot;   // the slot evaluated; -1: the last
};

TEST(Formula, EveryCaseOfTheEvaluationRules)
{
    const uint32_t E = FormulaError;
    const FormulaCase cases[] = {
        { { "#1=5" }, 5, -1 },
        { { "#1=5", "#2=#1" }, 5, -1 },
        { { "#1=5", "#2=#1", "#3=#2+7/2" }, 6, -1 },
        { { "#1=2+3*4" }, 20, -1 },
        { { "#1=10-4-3" }, 3, -1 },
        { { "#1=100/7*7" }, 98, -1 },
        { { "#1=7/2" }, 3, -1 },
        { { "#1=2-3" }, E, -1 },
        { { "#1=5/0" }, E, -1 },
        { { "#1=0-0" }, 0, -1 },
        { { "#1=-0" }, E, -1 },
        { { "#1=1,000" }, 1000, -1 },
        { { "#1=1,5" }, 15, -1 },
        { { "#1=1.5" }, 5, -1 },
        { { "#1=12abc3" }, 3, -1 },
        { { "#1=5 + 2" }, 7, -1 },
        { { "#1=5+*3" }, 15, -1 },
        { { "#1=4294967296" }, 0, -1 },
        { { "#1=3000000000+1294967294" }, 4294967294u, -1 },
        { { "#1=3000000000+1294967295" }, E, -1 },
        { { "#1=46340*46340" }, 2147395600u, -1 },
        { { "#1=46341*46341" }, E, -1 },
        { { "#1=" }, E, -1 },
        { { "#1" }, E, -1 },
        { { "#1=abc" }, E, -1 },
        { { "#1=#1+1" }, E, -1 },
        { { "#1=#2", "#2=#1" }, E, -1 },
        { { "#1=5", "#3=#1 +2" }, E, -1 },
        { { "#1=1", "#12=4", "#3=#12+#1" }, 5, -1 },
        { { "#1=5", "#1=6", "#2=#1" }, 5, -1 },
        { { "#2=#1+1", "#1=5" }, 6, 0 },
        { { "#a=3", "#a+1=7", "#x=#a+1" }, 4, -1 },
        { { "#a+1=7", "#a=3", "#x=#a+1" }, 7, -1 },
        { { "#=5", "#x=#+1" }, 6, -1 },
        { Chain(100), 100, -1 },
        { Chain(101), E, -1 },
        // Wrapping, signs, and operators before the first operand.
        { { "#1=4294967301" }, 5, -1 },
        { { "#1=-5" }, 4294967290u, -1 },
        { { "#1=*5" }, 4294967291u, -1 },
        { { "#1=/5" }, 858993459u, -1 },
        { { "#1=+5" }, E, -1 },
        { { "#1=5+" }, 5, -1 },
        { { "#1=5 7" }, 7, -1 },
        { { "#1=+" }, E, -1 },
        { { "#1=3000000000*1" }, 3000000000u, -1 }, // read as signed, the product still fits
        { { "#1=2147483647*1" }, 2147483647u, -1 },
        { { "#1=3000000000/2" }, 1500000000u, -1 },
        { { "#1=65536*32768" }, E, -1 },
        { { "#12=4", "#1=#12" }, 4, -1 },
        { { "#12=4", "#2=#1" }, E, -1 },           // #1 does not find #12=
        { { "#1=9", "#2=#1=" }, E, -1 },           // the '=' is compared as part of the label
        { { "1=5", "#2=#1" }, E, -1 },             // only entries beginning with '#' are labels
        { { "#1=5", "#2=#1*#1-#1/#1" }, 4, -1 },   // ((5 * 5) - 5) / 5
    };
    for (const auto& c : cases) {
        std::string name;
        for (const auto& t : c.entries) name += t + "; ";
        SCOPED_TRACE(name.substr(0, 200));
        EXPECT_EQ(c.result, Evaluate(c.entries, c.slot));
    }
}

TEST(Formula, ScanStopsAtTheFirstFreeSlot)
{
    std::vector<EntryRecord> table = Table({ "#1=5", "#2=7", "#3=#2" });
    table[1].x = 0;   // a free slot ends the entries
    EXPECT_EQ(FormulaError, EvaluateFormulaIn(table.data(), table[2]));
    EXPECT_EQ(5u, EvaluateFormulaIn(table.data(), table[0]));
}

TEST(Formula, EvaluationCountCountsEveryEvaluation)
{
    std::vector<EntryRecord> table = Table({ "#1=1", "#2=#1+#1", "#3=#2+#2" });
    EXPECT_EQ(4u, EvaluateFormulaIn(table.data(), table[2]));
    EXPECT_EQ(7, gEvaluationCount);   // #3, twice #2, four times #1
}

TEST(Formula, ValueTextIsSignedDecimal)
{
    const std::pair<uint32_t, const char*> cases[] = {
        { 0, "0" }, { 6, "6" }, { 2147483647u, "2147483647" }, { 2147483648u, "-2147483648" },
        { 3000000000u, "-1294967296" }, { 4294967290u, "-6" }, { 4294967294u, "-2" },
    };
    for (const auto& c : cases) {
        char text[12];
        FormulaValueText(c.first, text);
        EXPECT_STREQ(c.second, text);
    }
}
