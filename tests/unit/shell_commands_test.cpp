#include <gtest/gtest.h>


#include "resources/resource.h"
#include "shell/commands.h"

TEST(ModeCommands, EveryCommandFromEveryStateGivesTheModesOrARefusal)
{
    const EntryModeFlags leftHorizontal = { 1, 0 }, leftVertical = { 1, 1 },
                         rightHorizontal = { 0, 0 };
    struct Case {
        EntryModeFlags from;
        int id;
        bool refused;
        EntryModeFlags to;
    } cases[] = {
        { leftHorizontal, IDM_LEFT_JUSTIFIED, false, leftHorizontal },
        { leftHorizontal, IDM_RIGHT_JUSTIFIED, false, rightHorizontal },
        { leftHorizontal, IDM_HORIZONTAL, false, leftHorizontal },
        { leftHorizontal, IDM_VERTICAL, false, leftVertical },
        { leftVertical, IDM_LEFT_JUSTIFIED, false, leftVertical },
        { leftVertical, IDM_RIGHT_JUSTIFIED, true, leftVertical },
        { leftVertical, IDM_HORIZONTAL, false, leftHorizontal },
        { leftVertical, IDM_VERTICAL, false, leftVertical },
        { rightHorizontal, IDM_LEFT_JUSTIFIED, false, leftHorizontal },
        { rightHorizontal, IDM_RIGHT_JUSTIFIED, false, rightHorizontal },
        { rightHorizontal, IDM_HORIZONTAL, false, rightHorizontal },
        { rightHorizontal, IDM_VERTICAL, true, rightHorizontal },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "left " << c.from.leftJustified << " vertical "
                                        << c.from.verticalText << ", command " << c.id);
        ModeOutcome outcome = ModesAfterCommand(c.from, c.id);
        EXPECT_EQ(c.refused, outcome.refused);
        EXPECT_EQ(c.to.leftJustified, outcome.modes.leftJustified);
        EXPECT_EQ(c.to.verticalText, outcome.modes.verticalText);
    }
}

TEST(FontCommand, OnlyAColourOrGreyFormTakesTheChosenColour)
{
    const COLORREF current = RGB(0, 0, 0), chosen = RGB(128, 0, 0);
    struct Case {
        int bitCount;
        COLORREF expected;
    } cases[] = {
        { 0, current },    // no form loaded
        { 1, current },    // black and white
        { 4, chosen }, { 8, chosen }, { 16, chosen }, { 24, chosen }, { 32, chosen },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitCount);
        EXPECT_EQ(c.expected, TextColourAfterFontChoice(c.bitCount, current, chosen));
    }
}

