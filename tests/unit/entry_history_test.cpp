#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include "entries/entry_history.h"

// File content of `size` bytes, all `fill`.
static EntryFileBytes Content(uint32_t size, uint8_t fill)
{
    EntryFileBytes bytes = { true, size, size ? (uint8_t*)malloc(size) : NULL };
    if (size)
        memset(bytes.data, fill, size);
    return bytes;
}

static bool Holds(const EntryFileBytes& bytes, uint32_t size, uint8_t fill)
{
    EntryFileBytes expected = Content(size, fill);
    bool same = SameEntryFileBytes(bytes, expected);
    FreeEntryFileBytes(expected);
    return same;
}

// A change from content `from` to `to` (each 160 bytes of one value).
static void Change(EntryHistory& h, uint8_t from, uint8_t to)
{
    EntryFileBytes before = Content(160, from), after = Content(160, to);
    KeepChange(h, before, after);
    EXPECT_EQ(NULL, before.data);   // taken over
    EXPECT_EQ(NULL, after.data);
}

class History : public testing::Test {
protected:
    EntryHistory h = {};
    void TearDown() override { ForgetHistory(h); }
};

TEST_F(History, UndoAndRedoWalkTheSteps)
{
    EXPECT_EQ(-1, StepToUndo(h));
    EXPECT_EQ(-1, StepToRedo(h));
    Change(h, 1, 2);
    Change(h, 2, 3);
    ASSERT_EQ(1, StepToUndo(h));
    EXPECT_TRUE(Holds(h.steps[1].after, 160, 3));
    EXPECT_TRUE(Holds(h.steps[1].before, 160, 2));
    StepUndone(h);
    EXPECT_EQ(0, StepToUndo(h));
    EXPECT_EQ(1, StepToRedo(h));
    StepUndone(h);
    EXPECT_EQ(-1, StepToUndo(h));
    StepUndone(h);   // nothing left: no change
    EXPECT_EQ(0, StepToRedo(h));
    StepRedone(h);
    StepRedone(h);
    StepRedone(h);
    EXPECT_EQ(-1, StepToRedo(h));
    EXPECT_EQ(1, StepToUndo(h));
}

TEST_F(History, ANewStepEndsTheWayForward)
{
    Change(h, 1, 2);
    Change(h, 2, 3);
    StepUndone(h);
    Change(h, 2, 4);
    EXPECT_EQ(2, h.count);
    EXPECT_EQ(-1, StepToRedo(h));
    EXPECT_TRUE(Holds(h.steps[1].after, 160, 4));
}

TEST_F(History, APickUpAndItsCommitAreOneStep)
{
    BeginGroup(h);
    Change(h, 1, 2);   // taken out of the file
    Change(h, 2, 3);   // put down elsewhere
    EXPECT_EQ(0, h.count);
    EndGroup(h);
    ASSERT_EQ(1, h.count);
    EXPECT_TRUE(Holds(h.steps[0].before, 160, 1));
    EXPECT_TRUE(Holds(h.steps[0].after, 160, 3));
    // Picked up and put back as it was: no step. Nor is an edit that
    // changed nothing.
    BeginGroup(h);
    Change(h, 3, 4);
    Change(h, 4, 3);
    EndGroup(h);
    BeginGroup(h);
    EndGroup(h);
    EXPECT_EQ(1, h.count);
    EXPECT_EQ(1, h.made);
}

TEST_F(History, KeepsTheLastHundredSteps)
{
    for (int i = 0; i < HistoryLimit + 5; i++)
        Change(h, (uint8_t)i, (uint8_t)(i + 1));
    EXPECT_EQ(HistoryLimit, h.count);
    EXPECT_EQ(HistoryLimit - 1, StepToUndo(h));
    EXPECT_TRUE(Holds(h.steps[0].before, 160, 5));   // the five oldest went
    EXPECT_TRUE(Holds(h.steps[HistoryLimit - 1].after, 160, HistoryLimit + 5));
    EXPECT_EQ(HistoryLimit + 5, h.made);
}

TEST_F(History, HugeFilesKeepFewerSteps)
{
    uint32_t size = HistoryByteLimit / 5;   // a step holds twice this
    for (int i = 0; i < 4; i++) {
        EntryFileBytes before = Content(size, (uint8_t)i), after = Content(size, (uint8_t)(i + 1));
        KeepChange(h, before, after);
    }
    EXPECT_EQ(2, h.count);
    EXPECT_LE(HistoryBytes(h), HistoryByteLimit);
    EXPECT_TRUE(Holds(h.steps[1].after, size, 4));
    EXPECT_EQ(1, StepToUndo(h));
}

TEST_F(History, OpeningAFormForgetsEverything)
{
    Change(h, 1, 2);
    BeginGroup(h);
    Change(h, 2, 3);
    ForgetHistory(h);
    EXPECT_EQ(0, h.count);
    EXPECT_FALSE(h.grouping);
    EXPECT_FALSE(h.pending);
    EXPECT_EQ(-1, StepToUndo(h));
    Change(h, 5, 6);   // a step of its own again
    EXPECT_EQ(1, h.count);
}

TEST_F(History, NoEntryFileIsAStateOfItsOwn)
{
    EntryFileBytes none = { false, 0, NULL }, empty = Content(0, 0);
    KeepChange(h, none, empty);
    ASSERT_EQ(1, h.count);   // "no file" and "an empty file" differ
    EXPECT_FALSE(h.steps[0].before.exists);
}
