// The window's item models: the wallet, the sector view and the trace.
#include "emulator/window/SectorModel.h"
#include "emulator/window/TraceModel.h"
#include "emulator/window/WalletModel.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QSortFilterProxyModel>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace kov450;

std::vector<CardSlot> twoCards() {
    return {CardSlot{MifareClassic::makeDefault(CardKind::Classic1K, {0xA1, 0xB2, 0xC3, 0xD4}, 50),
                     true},
            CardSlot{MifareClassic::makeDefault(CardKind::Classic4K, {0x11, 0x22, 0x33, 0x44}, 7),
                     false}};
}

QString cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

TEST(WalletModel, ShowsEachCardOnARow) {
    WalletModel wallet;
    wallet.setCards(twoCards());
    ASSERT_EQ(wallet.rowCount(), 2);
    EXPECT_EQ(cell(wallet, 0, WalletModel::UidColumn), "A1B2C3D4");
    EXPECT_EQ(cell(wallet, 0, WalletModel::Kind), "1K");
    EXPECT_EQ(cell(wallet, 0, WalletModel::Where), "in the field");
    EXPECT_EQ(cell(wallet, 0, WalletModel::State), "idle");
    EXPECT_EQ(cell(wallet, 0, WalletModel::Credit), "50");
    EXPECT_EQ(cell(wallet, 1, WalletModel::Kind), "4K");
    EXPECT_EQ(cell(wallet, 1, WalletModel::Where), "away");
    EXPECT_EQ(cell(wallet, 1, WalletModel::Credit), "7");
    EXPECT_EQ(wallet.rowOf({0x11, 0x22, 0x33, 0x44}), 1);
    EXPECT_EQ(wallet.rowOf({0, 0, 0, 0}), -1);
    EXPECT_EQ(wallet.headerData(WalletModel::Credit, Qt::Horizontal).toString(), "Credit");
}

TEST(WalletModel, RepaintsInPlaceWhenOnlyContentsChange) {
    WalletModel wallet;
    wallet.setCards(twoCards());
    QSignalSpy resets(&wallet, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&wallet, &QAbstractItemModel::dataChanged);
    auto cards = twoCards();
    cards[1].card.setCredit(99);
    wallet.setCards(cards);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(cell(wallet, 1, WalletModel::Credit), "99");
    cards.pop_back();
    wallet.setCards(cards);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(wallet.rowCount(), 1);
}

TEST(WalletModel, ADragCarriesTheCardsUid) {
    WalletModel wallet;
    wallet.setCards(twoCards());
    EXPECT_TRUE(wallet.flags(wallet.index(1, 0)) & Qt::ItemIsDragEnabled);
    const std::unique_ptr<QMimeData> data(wallet.mimeData({wallet.index(1, 2)}));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(WalletModel::uidOfDrag(data.get()), (Uid{0x11, 0x22, 0x33, 0x44}));
    QMimeData text;
    text.setText(QStringLiteral("11223344"));
    EXPECT_EQ(WalletModel::uidOfDrag(&text), std::nullopt) << "plain text is no card";
}

TEST(SectorModel, ShowsHexAndCharactersSideBySideWithTheirMeaning) {
    SectorModel sector;
    EXPECT_EQ(sector.rowCount(), 0);
    sector.setCard(twoCards()[0].card);
    sector.setSector(1);
    ASSERT_EQ(sector.rowCount(), 4);
    EXPECT_EQ(cell(sector, 0, SectorModel::BlockNumber), "4");
    EXPECT_EQ(cell(sector, 0, SectorModel::Hex), "32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(cell(sector, 0, SectorModel::Characters), "2...............");
    EXPECT_EQ(cell(sector, 3, SectorModel::BlockNumber), "7");
    EXPECT_TRUE(cell(sector, 3, SectorModel::Meaning).startsWith("trailer: key A read never"));
}

TEST(SectorModel, KnowsTheBigSectorsOfA4KCard) {
    SectorModel sector;
    sector.setCard(twoCards()[1].card);
    EXPECT_EQ(sector.sectorCount(), 40U);
    sector.setSector(39);
    ASSERT_EQ(sector.rowCount(), 16);
    EXPECT_EQ(cell(sector, 0, SectorModel::BlockNumber), "240");
    EXPECT_EQ(cell(sector, 15, SectorModel::BlockNumber), "255");
    // A 1K card has no sector 39: the view goes back to sector 0.
    sector.setCard(twoCards()[0].card);
    EXPECT_EQ(sector.sector(), 0U);
    sector.setCard(std::nullopt);
    EXPECT_EQ(sector.rowCount(), 0);
}

ExchangeText exchange(const char* command, const char* status) {
    return ExchangeText{command, "block 4, count 1", status, ""};
}

TEST(TraceModel, KeepsTheNewestRowsAndCopiesThemAsText) {
    TraceModel trace(2);
    trace.add(QTime(10, 0, 0, 5), exchange("Request", "0 OK"));
    trace.add(QTime(10, 0, 1), exchange("Read blocks", "4 not authenticated"));
    trace.add(QTime(10, 0, 2), exchange("Write blocks", "0 OK"));
    ASSERT_EQ(trace.rowCount(), 2);
    EXPECT_EQ(cell(trace, 0, TraceModel::Command), "Read blocks");
    EXPECT_EQ(cell(trace, 0, TraceModel::Time), "10:00:01.000");
    EXPECT_EQ(trace.text({1}), "10:00:02.000\tWrite blocks\tblock 4, count 1\t0 OK\t\n");
    EXPECT_EQ(trace.text().count(QLatin1Char('\n')), 2);
    EXPECT_TRUE(trace.data(trace.index(0, TraceModel::Status), Qt::ForegroundRole).isValid())
        << "a failed status stands out";
    EXPECT_FALSE(trace.data(trace.index(1, TraceModel::Status), Qt::ForegroundRole).isValid());
    trace.clear();
    EXPECT_EQ(trace.rowCount(), 0);
}

TEST(TraceModel, FiltersOnAnyColumn) {
    TraceModel trace;
    trace.add(QTime(10, 0, 0), exchange("Request", "0 OK"));
    trace.add(QTime(10, 0, 1), exchange("Read blocks", "4 not authenticated"));
    QSortFilterProxyModel filter;
    filter.setSourceModel(&trace);
    filter.setFilterKeyColumn(-1);
    filter.setFilterCaseSensitivity(Qt::CaseInsensitive);
    filter.setFilterFixedString(QStringLiteral("NOT AUTH"));
    ASSERT_EQ(filter.rowCount(), 1);
    EXPECT_EQ(filter.data(filter.index(0, TraceModel::Command)).toString(), "Read blocks");
    filter.setFilterFixedString(QStringLiteral("request"));
    EXPECT_EQ(filter.rowCount(), 1);
}

} // namespace
