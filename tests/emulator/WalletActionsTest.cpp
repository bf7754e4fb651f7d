// The wallet's actions on a reader, without the console or the window in between.
#include "emulator/host/WalletActions.h"
#include "emulator/host/ConsoleWords.h"
#include "emulator/host/WalletCommands.h"

#include "e2e/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using namespace kov450;

constexpr Uid kFirst{0xA1, 0xB2, 0xC3, 0xD4};
constexpr Uid kOther{0x11, 0x22, 0x33, 0x44};

std::vector<std::string> done(const ActionResult& result) {
    EXPECT_TRUE(std::holds_alternative<ActionDone>(result)) << linesOf(result)[0];
    return linesOf(result);
}

std::string refused(const ActionResult& result) {
    const auto* refusal = std::get_if<ActionRefused>(&result);
    return refusal != nullptr ? refusal->reason : "done";
}

class WalletActions : public ::testing::Test {
protected:
    WalletActions() { done(perform(reader, CreateCard{CardKind::Classic1K, kFirst, 50})); }

    Reader reader;
};

TEST_F(WalletActions, CreateAddsADefaultCardOutsideTheField) {
    EXPECT_EQ(done(perform(reader, CreateCard{CardKind::Classic4K, kOther, 9})),
              std::vector<std::string>{"created card 2: 4K 11223344, outside the field, idle, "
                                       "credit 9"});
    ASSERT_EQ(reader.cards().size(), 2U);
    EXPECT_EQ(reader.cards()[1].card.kind(), CardKind::Classic4K);
    EXPECT_FALSE(reader.cards()[1].inField);
    EXPECT_EQ(refused(perform(reader, CreateCard{CardKind::Classic1K, kOther, 1})),
              "a card with UID 11223344 exists already");
    EXPECT_EQ(reader.cards().size(), 2U);
}

TEST_F(WalletActions, PresentAndTakeAwayMoveTheCard) {
    EXPECT_EQ(done(perform(reader, PresentCard{kFirst})),
              std::vector<std::string>{"card 1: 1K A1B2C3D4, in the field, idle, credit 50"});
    EXPECT_TRUE(reader.cards()[0].inField);
    EXPECT_EQ(done(perform(reader, TakeCardAway{kFirst})),
              std::vector<std::string>{"card 1: 1K A1B2C3D4, outside the field, idle, credit 50"});
    EXPECT_FALSE(reader.cards()[0].inField);
}

TEST_F(WalletActions, APresentedCardGoesOutOnALiveWiegandOutput) {
    reader.state().wiegandMode = 1;
    const auto lines = done(perform(reader, PresentCard{kFirst}));
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0].rfind("event: Wiegand frame ", 0), 0U) << lines[0];
    EXPECT_EQ(done(perform(reader, PresentCard{kFirst})).size(), 1U) << "already in the field";
}

TEST_F(WalletActions, CreditReviveAndDeleteChangeTheCard) {
    done(perform(reader, SetCredit{kFirst, 200}));
    EXPECT_EQ(reader.cards()[0].card.block(kCreditBlock)[0], 200);
    EXPECT_EQ(done(perform(reader, ReviveCard{kFirst})),
              std::vector<std::string>{"revived 0 blocked sector(s)"});
    EXPECT_EQ(done(perform(reader, DeleteCard{kFirst})),
              std::vector<std::string>{"deleted card A1B2C3D4"});
    EXPECT_TRUE(reader.cards().empty());
}

TEST_F(WalletActions, ACardTheWalletLacksIsRefusedAndNothingChanges) {
    testing_support::TempFolder folder;
    for (const WalletAction& action : std::vector<WalletAction>{
             PresentCard{kOther}, TakeCardAway{kOther}, SetCredit{kOther, 1}, ReviveCard{kOther},
             DeleteCard{kOther}, ExportCard{kOther, folder.path() / "x.mfd"}}) {
        EXPECT_EQ(refused(perform(reader, action)), "no card 11223344") << commandLine(action);
    }
    EXPECT_EQ(reader.cards().size(), 1U);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.mfd"));
}

TEST_F(WalletActions, ExportAndImportRoundTripACard) {
    testing_support::TempFolder folder;
    const auto text = folder.path() / "card.eml";
    done(perform(reader, SetCredit{kFirst, 123}));
    EXPECT_EQ(
        done(perform(reader, ExportCard{kFirst, text})),
        std::vector<std::string>{"exported card 1 to " + text.string() + " as 64 lines of hex"});
    EXPECT_EQ(done(perform(reader, ExportCard{kFirst, folder.path() / "card.mfd"})),
              std::vector<std::string>{"exported card 1 to " +
                                       (folder.path() / "card.mfd").string() +
                                       " as 1024 raw bytes"});
    EXPECT_EQ(refused(perform(reader, ImportCard{text, false})),
              "a card with UID A1B2C3D4 exists already; delete it first");
    done(perform(reader, DeleteCard{kFirst}));
    EXPECT_EQ(done(perform(reader, ImportCard{text, true})),
              std::vector<std::string>{"imported card 1: 1K A1B2C3D4, in the field, idle, "
                                       "credit 123"});
    EXPECT_NE(refused(perform(reader, ImportCard{folder.path() / "none.mfd", false})), "done");
}

TEST_F(WalletActions, EachActionsCommandLineAsksTheConsoleForTheSame) {
    const std::vector<WalletAction> actions{CreateCard{CardKind::Classic4K, kOther, 7},
                                            PresentCard{kFirst},
                                            TakeCardAway{kFirst},
                                            SetCredit{kFirst, 255},
                                            ReviveCard{kFirst},
                                            DeleteCard{kFirst},
                                            ImportCard{"/tmp/a.eml", true},
                                            ImportCard{"/tmp/a.mfd", false},
                                            ExportCard{kFirst, "/tmp/b.mfd"}};
    for (const WalletAction& action : actions) {
        const auto parsed = walletActionOf(wordsOf(commandLine(action)), reader);
        ASSERT_TRUE(parsed.has_value()) << commandLine(action);
        ASSERT_TRUE(std::holds_alternative<WalletAction>(*parsed)) << commandLine(action);
        EXPECT_TRUE(std::get<WalletAction>(*parsed) == action) << commandLine(action);
    }
    EXPECT_EQ(commandLine(PresentCard{kFirst}), "present A1B2C3D4");
    EXPECT_EQ(commandLine(TakeCardAway{kFirst}), "remove A1B2C3D4");
}

} // namespace
