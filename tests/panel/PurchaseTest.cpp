// The auto read's purchase without its window: the real binding over the recording double, and
// the operator's answer given by the test.

#include "purchase/Purchase.h"
#include "panel/PurchaseMessages.h"

#include "binding/MfApi.h"

#include "MfRecorder.h"
#include "QtPrinters.h"

#include <MF_API.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace purchase {
// Names the outcome in failure messages.
void PrintTo(PurchaseOutcome outcome, std::ostream* out) {
    constexpr std::array names{"CreditUnreadable", "CreditTooLow", "AmountInvalid",
                               "NotEnoughCredit",  "Declined",     "Written",
                               "WriteRefused",     "WriteUnknown", "NotRecorded"};
    *out << names.at(static_cast<std::size_t>(outcome));
}
} // namespace purchase

namespace {

using purchase::PurchaseOutcome;
using Bytes = std::vector<std::uint8_t>;

Bytes creditBlock(std::uint8_t credit) {
    Bytes block{credit};
    for (std::uint8_t i = 1; i < purchase::kBlockSize; ++i) {
        block.push_back(static_cast<std::uint8_t>(0xA0 + i));
    }
    return block;
}

/// Every step heard, as text, with the writes already sent when it was heard.
struct HeardSteps : purchase::PurchaseSteps {
    explicit HeardSteps(const std::vector<int>& asked) : questions(asked) {}

    void creditRead(std::int32_t status, std::optional<std::uint8_t> credit) override {
        heard.push_back("read " + std::to_string(status) + " " +
                        (credit ? std::to_string(*credit) : "-"));
    }
    bool asking(std::uint8_t credit, std::uint8_t newCredit) override {
        heard.push_back("asking " + std::to_string(credit) + " " + std::to_string(newCredit) +
                        " after " + std::to_string(questions.size()) + " questions");
        return goOnAsking;
    }
    void declined() override { heard.push_back("declined"); }
    bool sending() override {
        heard.push_back("sending after " + std::to_string(mfdouble::callsOf("MF_Write").size()) +
                        " writes");
        return goOnSending;
    }
    void writeAnswered(const purchase::PurchaseResult& result) override {
        heard.push_back("answered " + std::to_string(result.status));
    }
    std::vector<std::string> heard;
    const std::vector<int>& questions;
    bool goOnAsking = true;
    bool goOnSending = true;
};

class Purchase : public ::testing::Test {
protected:
    void SetUp() override { mfdouble::reset(); }

    /// One purchase of `amount` from a card holding `credit`, read with `readStatus`; the
    /// operator answers `yes`.
    purchase::PurchaseResult buy(std::uint8_t credit, std::optional<double> amount, bool yes = true,
                                 std::int32_t readStatus = MF_OK) {
        mfdouble::script("MF_Read", {readStatus, creditBlock(credit)});
        return purchase::purchase(
            api, block, amount,
            [&](int deducted) {
                asked.push_back(deducted);
                return yes;
            },
            &steps);
    }

    std::vector<Bytes> writes() {
        std::vector<Bytes> written;
        for (const auto& call : mfdouble::callsOf("MF_Write")) {
            EXPECT_EQ(call.args, (std::vector<std::int64_t>{0, 4, 1}));
            written.push_back(call.bytes);
        }
        return written;
    }

    reader::MfApi api{reader::LibraryLocation::besideProgram()};
    std::array<std::uint8_t, purchase::kBlockSize> block{};
    std::vector<int> asked;
    HeardSteps steps{asked};
};

} // namespace

TEST_F(Purchase, ReadsBlockFourAndWritesItBackWithTheNewCreditOnYes) {
    const purchase::PurchaseResult result = buy(50, 10);
    EXPECT_EQ(result.outcome, PurchaseOutcome::Written);
    EXPECT_EQ(result.status, MF_OK);
    EXPECT_EQ(result.credit, 50);
    EXPECT_EQ(result.newCredit, 40);
    EXPECT_EQ(asked, std::vector<int>{10});
    EXPECT_EQ(mfdouble::callNames(), (std::vector<std::string>{"MF_Read", "MF_Write"}));
    EXPECT_EQ(mfdouble::callsOf("MF_Read")[0].args, (std::vector<std::int64_t>{0, 4, 1}));
    EXPECT_EQ(writes(), std::vector<Bytes>{creditBlock(40)}); // bytes 1 to 15 as read
    EXPECT_EQ(Bytes(block.begin(), block.end()), creditBlock(40));
}

TEST_F(Purchase, AFailedReadIsUnreadableWhateverTheBufferHolds) {
    for (const std::uint8_t credit : {std::uint8_t{0}, std::uint8_t{50}}) {
        mfdouble::reset();
        const purchase::PurchaseResult result = buy(credit, 10, true, MF_ERR_NOT_AUTHENTICATED);
        EXPECT_EQ(result.outcome, PurchaseOutcome::CreditUnreadable);
        EXPECT_EQ(result.status, MF_ERR_NOT_AUTHENTICATED);
        EXPECT_EQ(result.credit, std::nullopt);
        EXPECT_TRUE(writes().empty());
    }
    EXPECT_TRUE(asked.empty());
}

TEST_F(Purchase, ACreditBelowTwoIsTooLowAndTwoIsNot) {
    for (const std::uint8_t credit : {std::uint8_t{0}, std::uint8_t{1}}) {
        const purchase::PurchaseResult result = buy(credit, 0);
        EXPECT_EQ(result.outcome, PurchaseOutcome::CreditTooLow) << int{credit};
        EXPECT_EQ(result.credit, credit);
    }
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(writes().empty());

    EXPECT_EQ(buy(2, 0).outcome, PurchaseOutcome::Written);
    EXPECT_EQ(asked, std::vector<int>{0});
}

TEST_F(Purchase, AnAmountThatCannotComeOffIsRefusedBeforeAsking) {
    struct Case {
        std::uint8_t credit;
        std::optional<double> amount;
        PurchaseOutcome outcome;
    };
    const Case cases[] = {
        {50, std::nullopt, PurchaseOutcome::AmountInvalid}, // not a number
        {50, -206, PurchaseOutcome::AmountInvalid},         // 256 would not fit a byte
        {5, 10, PurchaseOutcome::NotEnoughCredit},
        {5, 5.6, PurchaseOutcome::NotEnoughCredit}, // -0.6 rounds to -1
    };
    for (const Case& c : cases) {
        const purchase::PurchaseResult result = buy(c.credit, c.amount);
        EXPECT_EQ(result.outcome, c.outcome) << int{c.credit} << " less " << c.amount.value_or(-1);
        EXPECT_EQ(result.credit, c.credit);
        EXPECT_EQ(result.newCredit, std::nullopt);
        EXPECT_EQ(block[0], c.credit); // the credit as read
    }
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(writes().empty());
}

TEST_F(Purchase, TheWholeCreditAndARaiseUpTo255CanBeWritten) {
    EXPECT_EQ(buy(10, 10).newCredit, 0);
    EXPECT_EQ(buy(50, -205).newCredit, 255);
    EXPECT_EQ(asked, (std::vector<int>{10, -205}));
    EXPECT_EQ(writes().size(), 2U);
}

TEST_F(Purchase, TheOperatorIsAskedTheAmountThatComesOffAfterRounding) {
    EXPECT_EQ(buy(10, 2.5).newCredit, 8); // 7.5 rounds to 8
    EXPECT_EQ(buy(10, 1.5).newCredit, 8); // 8.5 rounds to 8
    EXPECT_EQ(asked, (std::vector<int>{2, 2}));
}

TEST_F(Purchase, NoWritesNothing) {
    const purchase::PurchaseResult result = buy(50, 10, false);
    EXPECT_EQ(result.outcome, PurchaseOutcome::Declined);
    EXPECT_EQ(result.newCredit, 40);
    EXPECT_EQ(asked, std::vector<int>{10});
    EXPECT_TRUE(writes().empty());
}

TEST_F(Purchase, ARefusedWriteKeepsTheCreditAndALostAnswerLeavesItUnknown) {
    struct Case {
        std::int32_t status;
        PurchaseOutcome outcome;
    };
    const Case cases[] = {
        {MF_ERR_CARD_NO_ANSWER, PurchaseOutcome::WriteRefused},
        {MF_ERR_NOT_AUTHENTICATED, PurchaseOutcome::WriteRefused},
        {MF_ERR_TIMEOUT, PurchaseOutcome::WriteUnknown},
        {MF_ERR_BAD_FRAME, PurchaseOutcome::WriteUnknown},
        {MF_ERR_DEVICE_GONE, PurchaseOutcome::WriteUnknown},
    };
    for (const Case& c : cases) {
        mfdouble::script("MF_Write", {c.status, {}});
        const purchase::PurchaseResult result = buy(50, 10);
        EXPECT_EQ(result.outcome, c.outcome) << c.status;
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.newCredit, 40);
    }
}

TEST_F(Purchase, EachStepIsHeardAndTheSendingBeforeTheWriteGoes) {
    mfdouble::script("MF_Write", {MF_ERR_TIMEOUT, {}});
    buy(50, 10);
    EXPECT_EQ(steps.heard,
              (std::vector<std::string>{"read 0 50", "asking 50 40 after 0 questions",
                                        "sending after 0 writes",
                                        "answered " + std::to_string(MF_ERR_TIMEOUT)}));

    steps.heard.clear();
    buy(50, 10, false);
    EXPECT_EQ(steps.heard, (std::vector<std::string>{"read 0 50", "asking 50 40 after 1 questions",
                                                     "declined"}));

    steps.heard.clear();
    buy(50, 10, true, MF_ERR_CARD_NO_ANSWER);
    EXPECT_EQ(steps.heard,
              std::vector<std::string>{"read " + std::to_string(MF_ERR_CARD_NO_ANSWER) + " -"});
}

TEST_F(Purchase, AListenerThatCannotRecordStopsThePurchaseBeforeTheQuestionOrTheWrite) {
    steps.goOnAsking = false;
    purchase::PurchaseResult result = buy(50, 10);
    EXPECT_EQ(result.outcome, PurchaseOutcome::NotRecorded);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(steps.heard.back(), "asking 50 40 after 0 questions");

    steps.goOnAsking = true;
    steps.goOnSending = false;
    result = buy(50, 10);
    EXPECT_EQ(result.outcome, PurchaseOutcome::NotRecorded);
    EXPECT_EQ(asked, std::vector<int>{10});
    EXPECT_EQ(result.newCredit, 40);
    EXPECT_EQ(steps.heard.back(), "sending after 0 writes");
    EXPECT_TRUE(writes().empty());
}

TEST_F(Purchase, RunsWithoutAListener) {
    mfdouble::script("MF_Read", {MF_OK, creditBlock(50)});
    const purchase::PurchaseResult result =
        purchase::purchase(api, block, 10, [](int) { return true; });
    EXPECT_EQ(result.outcome, PurchaseOutcome::Written);
}

TEST(PurchaseMessage, EachOutcomeTellsItsMessageAndAWriteOrANoTellsNothing) {
    using panel::outcomeMessage;
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::CreditUnreadable), panel::kCardNotRead);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::CreditTooLow), panel::kCreditFinished);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::AmountInvalid), panel::kAmountInvalid);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::NotEnoughCredit), panel::kCreditTooSmall);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::WriteRefused), panel::kNothingDeducted);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::WriteUnknown), panel::kWriteUnknown);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::NotRecorded), panel::kNotRecorded);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::Written), std::nullopt);
    EXPECT_EQ(outcomeMessage(PurchaseOutcome::Declined), std::nullopt);
}
