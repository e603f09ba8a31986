#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "base/form_pages.h"

TEST(PageNames, TheNumberRightBeforeBmpMakesAPage)
{
    struct Case {
        const char* name;
        bool numbered;
        int stemLength, digitCount;
    } cases[] = {
        { "Document1.bmp", true, 8, 1 },
        { "Document12.bmp", true, 8, 2 },
        { "my.form3.bmp", true, 7, 1 },
        { "scan007.bmp", true, 4, 3 },
        { "2024tax5.bmp", true, 7, 1 },    // only the digits next to ".bmp"
        { "1.bmp", true, 0, 1 },           // a PDF whose name began with "."
        { "Scan2.BMP", true, 4, 1 },       // the extension in any case
        { "Scan2.Bmp", true, 4, 1 },
        { "Document.bmp", false, 0, 0 },
        { "Document1a.bmp", false, 0, 0 },
        { "Document1.bmp.bak", false, 0, 0 },
        { "Document1.dta", false, 0, 0 },
        { "Document1bmp", false, 0, 0 },
        { ".bmp", false, 0, 0 },
        { "", false, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageNumberPlace place = FindPageNumber(c.name);
        EXPECT_EQ(c.numbered, place.numbered);
        EXPECT_EQ(c.stemLength, place.stemLength);
        EXPECT_EQ(c.digitCount, place.digitCount);
    }
}

TEST(PageNames, PagesOfOneDocumentShareTheirStem)
{
    struct Case {
        const char* form;
        const char* name;
        bool same;
    } cases[] = {
        { "Document1.bmp", "Document2.bmp", true },
        { "Document1.bmp", "Document1.bmp", true },
        { "Document1.bmp", "document12.BMP", true },   // as Windows compares names
        { "my.form3.bmp", "my.form4.bmp", true },
        { "scan009.bmp", "scan10.bmp", true },
        { "1.bmp", "2.bmp", true },
        { "Document1.bmp", "Documents2.bmp", false },
        { "Document1.bmp", "Documen2.bmp", false },
        { "Document1.bmp", "xDocument2.bmp", false },
        { "Document1.bmp", "Document.bmp", false },
        { "Document1.bmp", "Document2.dta", false },
        { "Document.bmp", "Document.bmp", false },      // no number: no pages
        { "1.bmp", "a1.bmp", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.form) + " / " + c.name);
        EXPECT_EQ(c.same, SameDocument(c.form, c.name));
    }
}

TEST(PageNames, PagesGoByTheValueOfTheirNumbers)
{
    // Each name comes before the next.
    const char* ordered[] = { "p0.bmp", "p1.bmp", "p002.bmp", "p02.bmp", "p2.bmp", "p9.bmp", "p10.bmp",
                              "p099.bmp", "p100.bmp", "p99999999999999999999.bmp", "p100000000000000000000.bmp" };
    const int count = sizeof ordered / sizeof ordered[0];
    for (int i = 0; i < count; i++) {
        for (int j = 0; j < count; j++) {
            SCOPED_TRACE(std::string(ordered[i]) + " / " + ordered[j]);
            int order = ComparePages(ordered[i], ordered[j]);
            EXPECT_EQ(i < j, order < 0);
            EXPECT_EQ(i == j, order == 0);
        }
    }
    // The same file named in another case is the same page.
    EXPECT_EQ(0, ComparePages("Doc2.bmp", "doc2.BMP"));
}

static PageList ListOf(std::vector<const char*> names)
{
    PageList pages = {};
    for (const char* name : names)
        EXPECT_TRUE(AddPage(&pages, name));
    SortPages(&pages);
    return pages;
}

static std::string At(const PageList& pages, int i)
{
    return i < 0 ? "none" : pages.names[i];
}

TEST(PageNames, TheNeighbourIsTheNearestPageThatExists)
{
    PageList pages = ListOf({ "Doc5.bmp", "Doc1.bmp", "Doc2.bmp", "Doc10.bmp", "Doc4.bmp" });
    ASSERT_EQ(5, pages.count);
    EXPECT_EQ("Doc1.bmp", At(pages, 0));
    EXPECT_EQ("Doc10.bmp", At(pages, 4));
    struct Case {
        const char* form;
        PageStep step;
        const char* neighbour;
    } cases[] = {
        { "Doc1.bmp", NextPage, "Doc2.bmp" },
        { "Doc2.bmp", NextPage, "Doc4.bmp" },      // Doc3.bmp is missing
        { "Doc4.bmp", PreviousPage, "Doc2.bmp" },
        { "Doc5.bmp", NextPage, "Doc10.bmp" },     // by value, not by text
        { "Doc10.bmp", NextPage, "none" },         // the last page
        { "Doc1.bmp", PreviousPage, "none" },      // the first page
        { "Doc3.bmp", NextPage, "Doc4.bmp" },      // the form itself was deleted
        { "Doc3.bmp", PreviousPage, "Doc2.bmp" },
        { "doc2.BMP", NextPage, "Doc4.bmp" },      // named in another case
        { "Doc02.bmp", NextPage, "Doc2.bmp" },     // page 2 twice: by name
        { "Doc02.bmp", PreviousPage, "Doc1.bmp" },
        { "Doc2.bmp", PreviousPage, "Doc1.bmp" },
        { "Doc.bmp", NextPage, "none" },           // no number: no pages
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.form) + (c.step == NextPage ? " next" : " previous"));
        EXPECT_EQ(c.neighbour, At(pages, NeighbourPage(pages, c.form, c.step)));
    }
    FreePageList(&pages);
    EXPECT_EQ(0, pages.count);
    EXPECT_EQ(-1, NeighbourPage(pages, "Doc1.bmp", NextPage));   // an empty list
}

TEST(PageNames, APageLiesInTheFormsFolder)
{
    struct Case {
        const char* form;
        const char* page;
        const char* path;
    } cases[] = {
        { "C:\\forms\\Document1.bmp", "Document2.bmp", "C:\\forms\\Document2.bmp" },
        { "Z:/tmp/my.form3.bmp", "my.form4.bmp", "Z:/tmp/my.form4.bmp" },
        { "C:Document1.bmp", "Document2.bmp", "C:Document2.bmp" },
        { "Document1.bmp", "Document2.bmp", "Document2.bmp" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        char path[PathBufferSize];
        ASSERT_TRUE(PagePathOf(c.form, c.page, path));
        EXPECT_STREQ(c.path, path);
        EXPECT_STREQ(c.page, FileNameOf(c.path));
    }
    // 259 characters fit; 260 don't.
    std::string folder = "C:\\" + std::string(PathBufferSize - 3 - 10, 'f') + "\\";
    char path[PathBufferSize];
    EXPECT_TRUE(PagePathOf((folder + "Doc1.bmp").c_str(), "Doc9.bmp", path));
    EXPECT_EQ(PathBufferSize - 1, (int)strlen(path));
    EXPECT_FALSE(PagePathOf((folder + "Doc9.bmp").c_str(), "Doc10.bmp", path));
}

// A folder of files for the listing.
class PageFolder : public testing::Test {
protected:
    char folder[MAX_PATH];

    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        wsprintfA(folder, "%sscrv-pages-%lu-%lu\\", temp, GetCurrentProcessId(), GetTickCount());
        CreateDirectoryA(folder, NULL);
    }

    void TearDown() override
    {
        for (const std::string& name : made) {
            std::string path = folder + name;
            if (!DeleteFileA(path.c_str()))
                RemoveDirectoryA(path.c_str());
        }
        RemoveDirectoryA(folder);
    }

    std::string Make(const char* name, bool asFolder = false)
    {
        std::string path = folder + std::string(name);
        if (asFolder) {
            CreateDirectoryA(path.c_str(), NULL);
        } else {
            HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            CloseHandle(file);
        }
        made.insert(made.begin(), name);
        return path;
    }

    std::vector<std::string> Listed(const std::string& form)
    {
        PageList pages;
        EXPECT_TRUE(ListDocumentPages(form.c_str(), &pages));
        std::vector<std::string> names;
        for (int i = 0; i < pages.count; i++)
            names.push_back(pages.names[i]);
        FreePageList(&pages);
        return names;
    }

    std::vector<std::string> made;
};

TEST_F(PageFolder, ListsTheDocumentsFilesInPageOrder)
{
    std::string first = Make("Document1.bmp");
    Make("Document10.bmp");
    Make("Document2.bmp");
    Make("Document2.dta");
    Make("Document.bmp");
    Make("Other3.bmp");
    Make("Document4.bmp", true);   // a folder is no page
    EXPECT_EQ((std::vector<std::string>{ "Document1.bmp", "Document2.bmp", "Document10.bmp" }), Listed(first));
    // The form need not exist any more; a form without a number is alone.
    EXPECT_EQ((std::vector<std::string>{ "Document1.bmp", "Document2.bmp", "Document10.bmp" }),
              Listed(folder + std::string("Document7.bmp")));
    EXPECT_EQ(std::vector<std::string>{ "Document.bmp" }, Listed(folder + std::string("Document.bmp")));
    EXPECT_EQ(std::vector<std::string>{}, Listed(folder + std::string("none\\Document1.bmp")));
}
