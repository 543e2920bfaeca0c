// The user's row edits on the site list: insertion, deletion, moving, copying and the
// characters a site text may hold.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CQ417HostDoc.h"
#include "MemorySiteList.h"
#include "SiteText.h"

namespace q417 {
namespace {

class SilentUser : public DocumentUser {
  public:
    SaveChoice AskSaveChanges(const std::string&) override { return SaveChoice::Discard; }
    std::optional<std::string> AskSavePath() override { return std::nullopt; }
    bool AskYesNo(Question, const std::string&) override { return false; }
    void ShowMessage(const std::string&, MessageIcon) override {}
};

class SiteListTest : public ::testing::Test {
  protected:
    SiteListTest() {
        doc_.SetView(&list_);
        doc_.NewDocument();
    }

    // Rows named A, B, C, ... with IDs 1..n.
    void Fill(int n) {
        for (int i = 0; i < n; ++i) {
            list_.InsertRow(i,
                            {std::to_string(i + 1), std::string(1, char('A' + i)), "", "", "", ""});
        }
        doc_.SetSiteCount(n);
    }

    // "id:location" of every row.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (const auto& r : list_.Rows()) {
            rows.push_back(r[0] + ":" + r[1]);
        }
        return rows;
    }

    SharedSettings link_;
    SilentUser user_;
    MemorySiteList list_;
    CQ417HostDoc doc_{link_, user_};
};

TEST_F(SiteListTest, NewSiteGoesAboveTheSelectionOrAtTheEnd) {
    Fill(5);
    EXPECT_EQ(list_.AddSiteRow(3), 3);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1:A", "2:B", "3:C", "4:", "5:D", "6:E"}));
    EXPECT_EQ(doc_.SiteCount(), 6);
    EXPECT_TRUE(doc_.IsModified());
    EXPECT_EQ(list_.AddSiteRow(-1), 6);
    EXPECT_EQ(Rows().back(), "7:");
}

TEST_F(SiteListTest, NewSiteOnAFullListAddsNothing) {
    Fill(kMaxSites - 1);
    EXPECT_EQ(list_.AddSiteRow(-1), kMaxSites - 1);
    doc_.SetModified(false);
    EXPECT_EQ(list_.AddSiteRow(0), -1);
    EXPECT_EQ(list_.RowCount(), kMaxSites);
    EXPECT_EQ(doc_.SiteCount(), kMaxSites);
    EXPECT_FALSE(doc_.IsModified());
}

TEST_F(SiteListTest, DeletingRowsRenumbersAndPicksTheNextSelection) {
    const struct {
        std::vector<int> deleted;
        std::vector<std::string> rows;
        int select;
    } cases[] = {
        {{3, 4}, {"1:A", "2:B", "3:C"}, 2},  // the last two: the new last row
        {{2, 0, 4}, {"1:B", "2:D"}, 0},
        {{1}, {"1:A", "2:C", "3:D", "4:E"}, 1},
        {{}, {"1:A", "2:B", "3:C", "4:D", "5:E"}, -1},
        {{0, 1, 2, 3, 4}, {}, -1},
    };
    for (const auto& c : cases) {
        list_.ClearList();
        Fill(5);
        EXPECT_EQ(list_.DeleteSiteRows(c.deleted), c.select);
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_EQ(doc_.SiteCount(), static_cast<int>(c.rows.size()));
    }
}

TEST_F(SiteListTest, MovingARowRenumbersTheList) {
    const struct {
        int from;
        int to;
        int at;
        std::vector<std::string> rows;
    } cases[] = {
        {1, 4, 3, {"1:A", "2:C", "3:D", "4:B", "5:E"}},  // dropped on row 4: stands at 3
        {1, 5, 4, {"1:A", "2:C", "3:D", "4:E", "5:B"}},  // below the last row: to the end
        {4, 0, 0, {"1:E", "2:A", "3:B", "4:C", "5:D"}},
        {2, 2, 2, {"1:A", "2:B", "3:C", "4:D", "5:E"}},
    };
    for (const auto& c : cases) {
        list_.ClearList();
        Fill(5);
        EXPECT_EQ(list_.MoveSiteRow(c.from, c.to), c.at);
        EXPECT_EQ(Rows(), c.rows);
    }
}

TEST_F(SiteListTest, CopiedRowsCarryTheirPositionNotTheirId) {
    Fill(3);
    list_.SetCellText(2, 0, "77");
    list_.SetCellText(2, 3, "1,5");  // no quoting: commas are copied as they are
    EXPECT_EQ(list_.CopyText({2, 0}),
              "Site,Location,Date/Time,Latest Data,Units,Serial Number\r\n"
              "1,A,,,,\r\n"
              "3,C,,1,5,,\r\n");
    EXPECT_EQ(list_.CopyText({}), "Site,Location,Date/Time,Latest Data,Units,Serial Number\r\n");
}

TEST(SiteTextTest, CommasAndLineBreaksCannotBeTyped) {
    EXPECT_FALSE(IsSiteTextCharacter(','));
    EXPECT_FALSE(IsSiteTextCharacter('\n'));
    EXPECT_FALSE(IsSiteTextCharacter('\r'));
    EXPECT_FALSE(IsSiteTextCharacter('\0'));
    EXPECT_TRUE(IsSiteTextCharacter(' '));
    EXPECT_TRUE(IsSiteTextCharacter('\xE9'));
    EXPECT_EQ(CleanSiteText("Main St, Gate 4", kMaxLocationLength), "Main St Gate 4");
    EXPECT_EQ(CleanSiteText("A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V", kMaxLocationLength),
              "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(CleanSiteText("line\r\nbreak", kMaxLocationLength), "linebreak");
}

TEST(SiteTextTest, TrimmingStopsAtTheFirstCharacterThatIsNoBlank) {
    EXPECT_EQ(TrimBlanks(" \t\v\f\r\n1,A, B \r\n\t"), "1,A, B");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(TrimBlanks("\xA0x\xA0"), "\xA0x\xA0");  // no blank outside the "C" locale's
    EXPECT_FALSE(IsBlank('\0'));
}

}  // namespace
}  // namespace q417
