#include <gtest/gtest.h>
#include <string.h>

#include "entries/entry_geometry.h"
#include "entries/entry_record.h"
#include "entries/entry_style.h"

static EntryRecord SampleRecord()
{
    EntryRecord r = {};
    r.x = 400; r.y = -380; r.width = 0x01020304; r.height = 33;
    strcpy(r.text, "#3=#2+7/2");
    strcpy(r.faceName, "Liberation Serif");
    r.size = 15; r.weight = 700; r.pitchAndFamily = 0x22; r.colourIndex = 9; r.vertical = 1; r.rightJustified = 1;
    return r;
}

TEST(EntryRecordLayout, FieldsLieAtTheirOffsetsLittleEndian)
{
    uint8_t bytes[EntryRecordSize];
    EncodeEntryRecord(SampleRecord(), bytes);
    EXPECT_EQ(0x90, bytes[0]); EXPECT_EQ(0x01, bytes[1]);                     // x 400
    EXPECT_EQ(0x84, bytes[4]); EXPECT_EQ(0xFF, bytes[7]);                     // y -380
    EXPECT_EQ(0x04, bytes[8]); EXPECT_EQ(0x01, bytes[11]);                    // width
    EXPECT_EQ(33, bytes[12]);
    EXPECT_EQ(0, memcmp(bytes + 16, "#3=#2+7/2", 10));
    EXPECT_EQ(0, bytes[16 + 99]);
    EXPECT_EQ(0, memcmp(bytes + 116, "Liberation Serif", 17));
    EXPECT_EQ(15, bytes[148]);
    EXPECT_EQ(0xBC, bytes[152]); EXPECT_EQ(0x02, bytes[153]);                 // weight 700
    EXPECT_EQ(0x22, bytes[156]);
    EXPECT_EQ(9, bytes[157]);
    EXPECT_EQ(1, bytes[158]);
    EXPECT_EQ(1, bytes[159]);

    EntryRecord back = DecodeEntryRecord(bytes);
    uint8_t again[EntryRecordSize];
    EncodeEntryRecord(back, again);
    EXPECT_EQ(0, memcmp(bytes, again, EntryRecordSize));
}

TEST(EntryRecordLayout, NinetyNineCharactersEndAtOffset115)
{
    EntryRecord r = {};
    memset(r.text, 'a', 99);
    uint8_t bytes[EntryRecordSize];
    EncodeEntryRecord(r, bytes);
    EXPECT_EQ('a', bytes[114]);
    EXPECT_EQ(0, bytes[115]);
}

TEST(EntryRecordLayout, UnterminatedTextAndFaceNameStayInsideTheRecord)
{
    uint8_t bytes[EntryRecordSize];
    memset(bytes, 'z', sizeof bytes);
    EntryRecord r = DecodeEntryRecord(bytes);
    EXPECT_EQ(99u, strlen(r.text));
    EXPECT_EQ(31u, strlen(r.faceName));
}

TEST(Colours, IndicesFollowTheTableWithoutBlue)
{
    EXPECT_EQ(RGB(0, 0, 0), ColourOfIndex(0));
    EXPECT_EQ(RGB(255, 255, 0), ColourOfIndex(11));
    EXPECT_EQ(RGB(255, 0, 255), ColourOfIndex(12));
    EXPECT_EQ(RGB(255, 255, 255), ColourOfIndex(14));
    EXPECT_EQ(RGB(0, 0, 0), ColourOfIndex(15));
    EXPECT_EQ(RGB(0, 0, 0), ColourOfIndex(255));
    EXPECT_EQ(9, IndexOfColour(RGB(255, 0, 0)));
    EXPECT_EQ(13, IndexOfColour(RGB(0, 255, 255)));
    EXPECT_EQ(0, IndexOfColour(RGB(0, 0, 255)));   // blue is not in the table
    for (int i = 0; i < ColourCount; i++)
        EXPECT_EQ(i, IndexOfColour(ColourOfIndex(i)));
}

TEST(RecordFont, HeightIsStoredHalvedAndComesBackDoubled)
{
    const int cases[][3] = { { -30, 15, -30 }, { -31, 15, -30 }, { 25, -12, 24 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        gCurrentFont = LOGFONTA();
        gCurrentFont.lfHeight = c[0];
        gCurrentFont.lfWeight = 700;
        gCurrentFont.lfItalic = 1;
        gCurrentFont.lfPitchAndFamily = 0x31;
        strcpy(gCurrentFont.lfFaceName, "Liberation Mono");
        gCurrentTextColour = RGB(0, 0, 255);
        // A new entry takes the font and colour of new entries.
        NewEntryInput typed = { "Total", { 0, 0 }, 0, 0, true, 0 };
        EntryRecord r = NewEntryRecord(typed, ViewState(), gCurrentFont, gCurrentTextColour);
        EXPECT_EQ(c[1], r.size);
        EXPECT_EQ(0, r.colourIndex);   // blue is stored as black
        gCurrentFont = LOGFONTA();
        gCurrentFont.lfItalic = 1;
        ApplyRecordFont(r);
        EXPECT_EQ(c[2], gCurrentFont.lfHeight);
        EXPECT_EQ(700, gCurrentFont.lfWeight);
        EXPECT_EQ(0x31, gCurrentFont.lfPitchAndFamily);
        EXPECT_STREQ("Liberation Mono", gCurrentFont.lfFaceName);
        EXPECT_EQ(1, gCurrentFont.lfItalic);   // fields a record doesn't carry are kept
        EXPECT_EQ(RGB(0, 0, 0), gCurrentTextColour);
    }
}
