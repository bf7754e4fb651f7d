// The pure parts of the PC/SC back end: ATR to card type, status words to our codes, the UID
// of a Get Data answer and the choice of reader. The bytes of the commands, the ATR's layout,
// value blocks and sectors are mifare/'s (tests/mifare).
#include "mf_api/pcsc/CardAtr.h"
#include "mf_api/pcsc/CardUid.h"
#include "mf_api/pcsc/ReaderChoice.h"
#include "mf_api/pcsc/StatusWords.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using namespace mfapi::pcsc;
using Bytes = std::vector<std::uint8_t>;

// As a contactless reader builds it for a MIFARE Classic 1K card (check byte last).
const Bytes k1KAtr{0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                   0x03, 0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x6A};

Bytes withName(std::uint8_t high, std::uint8_t low) {
    Bytes atr = k1KAtr;
    atr[13] = high;
    atr[14] = low;
    return atr;
}

TEST(CardAtr, StorageCardAtrsGiveTheCardTypeBytesOfTheAir) {
    EXPECT_EQ(cardTypeFromAtr(k1KAtr), (protocol::CardTypeBytes{0x04, 0x00, 0x08}));
    EXPECT_EQ(cardTypeFromAtr(withName(0x00, 0x02)), (protocol::CardTypeBytes{0x02, 0x00, 0x18}));
    EXPECT_EQ(cardTypeFromAtr(withName(0x00, 0x26)), (protocol::CardTypeBytes{0x04, 0x00, 0x09}));
    EXPECT_EQ(blockCountFromAtr(k1KAtr), 64U);
    EXPECT_EQ(blockCountFromAtr(withName(0x00, 0x02)), 256U);
}

TEST(CardAtr, OtherCardsAndBrokenAtrsGiveNoCardType) {
    EXPECT_FALSE(cardTypeFromAtr(withName(0x00, 0x03))); // Ultralight
    Bytes otherRid = k1KAtr;
    otherRid[11] = 0x07;
    EXPECT_FALSE(cardTypeFromAtr(otherRid));
    // A contact card's ATR, and ATRs cut short of what their format bytes announce.
    EXPECT_FALSE(
        cardTypeFromAtr(Bytes{0x3B, 0x95, 0x13, 0x81, 0x01, 0x80, 0x73, 0xFF, 0x01, 0x00, 0x0B}));
    EXPECT_FALSE(cardTypeFromAtr(Bytes(k1KAtr.begin(), k1KAtr.begin() + 12)));
    EXPECT_FALSE(cardTypeFromAtr(Bytes{0x3B}));
    EXPECT_FALSE(cardTypeFromAtr(Bytes{}));
}

TEST(StatusWords, EachWordMapsToOurCodeForEachStep) {
    // docs/pcsc.md's table: a status word, then its status for each step.
    struct Row {
        std::uint8_t sw1, sw2;
        std::int32_t uid, loadKey, authenticate, read, write;
    };
    constexpr std::int32_t kUnknown = MF_ERR_UNKNOWN_STATUS;
    const std::vector<Row> table{
        {0x90, 0x00, MF_OK, MF_OK, MF_OK, MF_OK, MF_OK},
        // Some readers give 63 00 for every refusal.
        {0x63, 0x00, MF_ERR_NO_CARD, MF_ERR_BAD_PARAMETER, MF_ERR_AUTH_FAILED, MF_ERR_ACCESS_DENIED,
         MF_ERR_ACCESS_DENIED},
        // A read or write goes out only to a sector the library holds authenticated: whichever
        // word refuses it, the card's access conditions did.
        {0x69, 0x82, MF_ERR_NOT_AUTHENTICATED, MF_ERR_NOT_AUTHENTICATED, MF_ERR_AUTH_FAILED,
         MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED},
        {0x69, 0x83, MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED,
         MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED},
        {0x69, 0x84, MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED, MF_ERR_AUTH_FAILED,
         MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED},
        {0x69, 0x85, MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED,
         MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED},
        {0x69, 0x86, MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED,
         MF_ERR_ACCESS_DENIED, MF_ERR_ACCESS_DENIED},
        {0x69, 0x87, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER,
         MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER},
        {0x69, 0x88, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER,
         MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER},
        {0x69, 0x89, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER,
         MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER},
        {0x67, 0x00, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER,
         MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER},
        {0x6C, 0x10, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER,
         MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER},
        {0x6A, 0x82, MF_ERR_BAD_BLOCK, MF_ERR_BAD_BLOCK, MF_ERR_BAD_BLOCK, MF_ERR_BAD_BLOCK,
         MF_ERR_BAD_BLOCK},
        {0x62, 0x82, MF_ERR_BAD_BLOCK, MF_ERR_BAD_BLOCK, MF_ERR_BAD_BLOCK, MF_ERR_BAD_BLOCK,
         MF_ERR_BAD_BLOCK},
        {0x6B, 0x00, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER, MF_ERR_BAD_PARAMETER,
         MF_ERR_BAD_BLOCK, MF_ERR_BAD_BLOCK},
        {0x6A, 0x81, MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND,
         MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND},
        {0x6D, 0x00, MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND,
         MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND},
        {0x6E, 0x00, MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND,
         MF_ERR_UNKNOWN_COMMAND, MF_ERR_UNKNOWN_COMMAND},
        {0x64, 0x00, MF_ERR_CARD_NO_ANSWER, MF_ERR_CARD_NO_ANSWER, MF_ERR_CARD_NO_ANSWER,
         MF_ERR_CARD_NO_ANSWER, MF_ERR_CARD_NO_ANSWER},
        {0x65, 0x81, MF_ERR_CARD_NO_ANSWER, MF_ERR_CARD_NO_ANSWER, MF_ERR_CARD_NO_ANSWER,
         MF_ERR_CARD_NO_ANSWER, MF_ERR_CARD_NO_ANSWER},
        {0x12, 0x34, kUnknown, kUnknown, kUnknown, kUnknown, kUnknown},
    };
    for (const Row& row : table) {
        const auto sw = [&](CardStep step) {
            return statusOfAnswer(step, Bytes{0x01, 0x02, row.sw1, row.sw2});
        };
        const auto name = testing::Message() << std::hex << int{row.sw1} << " " << int{row.sw2};
        EXPECT_EQ(sw(CardStep::Uid), row.uid) << name << ", UID";
        EXPECT_EQ(sw(CardStep::LoadKey), row.loadKey) << name << ", load key";
        EXPECT_EQ(sw(CardStep::Authenticate), row.authenticate) << name << ", authenticate";
        EXPECT_EQ(sw(CardStep::Read), row.read) << name << ", read";
        EXPECT_EQ(sw(CardStep::Write), row.write) << name << ", write";
    }
}

TEST(StatusWords, AnAnswerWithoutStatusWordIsALostAnswer) {
    EXPECT_EQ(statusOfAnswer(CardStep::Write, Bytes{}), MF_ERR_CARD_NO_ANSWER);
    EXPECT_EQ(statusOfAnswer(CardStep::Read, Bytes{0x90}), MF_ERR_CARD_NO_ANSWER);
    EXPECT_EQ(statusOfAnswer(CardStep::Read, Bytes{0x90, 0x00}), MF_OK);
}

TEST(CardUid, IsTheFirstFourBytesOfTheGetDataAnswer) {
    struct Case {
        Bytes data;
        std::optional<protocol::Uid> uid;
    };
    const std::vector<Case> cases{
        {{}, std::nullopt},
        {{0xA1, 0xB2, 0xC3}, std::nullopt},
        {{0xA1, 0xB2, 0xC3, 0xD4}, protocol::Uid{0xA1, 0xB2, 0xC3, 0xD4}},
        // Seven- and ten-byte UIDs: the first cascade level's four bytes.
        {{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, protocol::Uid{0x04, 0x11, 0x22, 0x33}},
        {Bytes(10, 0x5A), protocol::Uid{0x5A, 0x5A, 0x5A, 0x5A}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(uidOfGetData(c.data), c.uid) << c.data.size() << " byte(s)";
    }
}

TEST(ReaderChoice, PcscIsTheFirstContactlessReaderElseTheFirst) {
    const std::vector<ReaderSeen> readers{{"Gemalto PC Twin Reader 00 00", {}},
                                          {"ACS ACR122U PICC Interface 01 00", {}},
                                          {"OMNIKEY 5422 (CL) 02 00", {}}};
    EXPECT_EQ(chooseReader(readers, ""), 1U);
    EXPECT_EQ(chooseReader({readers[0], readers[2]}, ""), 1U);
    EXPECT_EQ(chooseReader({readers[0]}, ""), 0U);
    // A contactless card's ATR tells a reader's slot apart when its name does not.
    EXPECT_EQ(chooseReader({readers[0], {"Virtual PCD 00 00", k1KAtr}}, ""), 1U);
    EXPECT_FALSE(chooseReader({}, ""));
}

TEST(ReaderChoice, PcscGoesToTheContactlessReaderThatHoldsACard) {
    const Bytes contactCard{0x3B, 0x95, 0x13, 0x81, 0x01, 0x80, 0x73, 0xFF, 0x01, 0x00, 0x0B};
    const ReaderSeen contactWithCard{"Gemalto PC Twin Reader 00 00", contactCard};
    const ReaderSeen emptyPicc{"ACS ACR122U PICC Interface 01 00", {}};
    const ReaderSeen vpcdEmpty{"Virtual PCD 00 00", {}};
    const ReaderSeen vpcdWithCard{"Virtual PCD 00 01", k1KAtr};
    const ReaderSeen piccWithCard{"OMNIKEY 5422 (CL) 02 00", k1KAtr};
    // At the open: the first contactless reader holding a card, before an empty one.
    EXPECT_EQ(chooseReader({emptyPicc, vpcdWithCard}, ""), 1U);
    EXPECT_EQ(chooseReader({contactWithCard, emptyPicc, vpcdEmpty}, ""), 1U);
    // At a request that found none: only a contactless reader that holds a card will do.
    struct Case {
        std::vector<ReaderSeen> readers;
        std::optional<std::size_t> chosen;
    };
    const std::vector<Case> cases{
        {{vpcdEmpty, vpcdWithCard}, 1U},
        {{vpcdEmpty, contactWithCard, piccWithCard}, 2U},
        {{piccWithCard, vpcdWithCard}, 0U},
        {{contactWithCard, emptyPicc, vpcdEmpty}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(contactlessReaderWithACard(c.readers), c.chosen) << c.readers.size();
    }
}

TEST(ReaderChoice, PcscTextIsTheFirstNameHoldingItIgnoringCase) {
    const std::vector<ReaderSeen> readers{{"Virtual PCD 00 00", {}}, {"Virtual PCD 00 01", {}}};
    EXPECT_EQ(chooseReader(readers, "pcd 00 01"), 1U);
    EXPECT_EQ(chooseReader(readers, "VIRTUAL"), 0U);
    EXPECT_FALSE(chooseReader(readers, "ACR122"));
    EXPECT_TRUE(namesContactlessSlot("Identiv uTrust 3700 F CL Reader"));
    EXPECT_FALSE(namesContactlessSlot("Cherry SmartBoard XX44"));
    EXPECT_FALSE(namesContactlessSlot("CLEAR reader"));
}

TEST(ReaderChoice, TheServicesListSplitsIntoWholeNamesAndEndsAtItsEnd) {
    using namespace std::string_view_literals;
    using Names = std::vector<std::string>;
    EXPECT_EQ(readerNamesOf("Reader A\0Reader B\0\0"sv), (Names{"Reader A", "Reader B"}));
    // A list cut short before its last zero byte: the name counts, nothing past the end is read.
    EXPECT_EQ(readerNamesOf("Reader A\0Reader B"sv), (Names{"Reader A", "Reader B"}));
    EXPECT_EQ(readerNamesOf("\0Reader A\0"sv), Names{});
    EXPECT_EQ(readerNamesOf(""sv), Names{});
}

} // namespace
