// Block read and write between the card and the data box, in "HEX mode" or "STRING mode".

#include "binding/DeviceAddress.h"
#include "panel/BlockText.h"
#include "panel/KOV450.h"

#include "binding/MfApi.h"
#include "convert/NumberText.h"

namespace panel {

namespace {
constexpr std::int16_t kMaxBlockCount = 4;
constexpr double kLastBlockNumber = 59;
} // namespace

void KOV450::blockNtxt_Change() {
    if (convert::numericPrefixValue(form.blockNtxt->text()) > kLastBlockNumber) {
        form.blockNtxt->setText("0");
    }
    if (!convert::isWholeTextNumber(form.blockNtxt->text())) {
        form.blockNtxt->setText("0");
    }
}

void KOV450::BufferTXT_Change() {
    if (const std::optional<int> limit = dataLimitFor(form.Bcount->currentText())) {
        form.BufferTXT->setMaxLength(*limit);
    }
}

bool KOV450::blockArguments(const QString& nothingDone, std::int16_t& block, std::int16_t& count) {
    const QString blockText = form.blockNtxt->text();
    const QString countText = form.Bcount->currentText();
    const std::optional<std::int16_t> blockNumber = convert::wholeTextInteger(blockText);
    const std::optional<std::int16_t> blockCount = convert::wholeTextInteger(countText);
    if (!blockNumber) {
        refuse("Block number \"" + blockText +
               "\" is not a whole number from -32768 to 32767: " + nothingDone);
        return false;
    }
    if (!blockCount || *blockCount < 1 || *blockCount > kMaxBlockCount) {
        refuse("Block count \"" + countText + "\" must be 1, 2, 3 or 4: " + nothingDone);
        return false;
    }
    block = *blockNumber;
    count = *blockCount;
    return true;
}

void KOV450::read_Click() {
    std::int16_t block = 0;
    std::int16_t count = 0;
    if (!blockArguments("nothing was read.", block, count)) {
        return;
    }
    module1_.BlockBytes.fill(0);
    showStatus(api_.MF_Read(reader::kDevice, block, count, module1_.BlockBytes.data()));

    const convert::AnsiCodePage& codePage = convert::AnsiCodePage::system();
    const bool stringMode = form.stringmode->isChecked();
    for (const std::uint8_t byte : module1_.BlockBytes) {
        const QString shown = stringMode ? codePage.charOf(byte) : hexModeRendering(byte);
        form.BufferTXT->setText(form.BufferTXT->text() + shown);
    }
}

void KOV450::write_Click() {
    const QString text = form.BufferTXT->text();
    const bool hexMode = form.HEXmode->isChecked();
    const DataBytes entered =
        hexMode ? hexModeBytes(text) : stringModeBytes(text, convert::AnsiCodePage::system());
    if (!entered.ok()) {
        const QString stranger = text.mid(entered.firstBad, 1);
        refuse(hexMode ? QString("In HEX mode each character is one hex digit (0-9, A-F); "
                                 "character %1, \"%2\", is not: nothing was written.")
                             .arg(entered.firstBad + 1)
                             .arg(stranger)
                       : QString("Character %1, \"%2\", has no single-byte code: nothing was "
                                 "written.")
                             .arg(entered.firstBad + 1)
                             .arg(stranger));
        return;
    }
    if (entered.bytes.size() > module1_.BlockBytes.size()) {
        refuse(QString("The data holds %1 characters and four blocks hold 64: nothing was "
                       "written.")
                   .arg(text.size()));
        return;
    }
    std::int16_t block = 0;
    std::int16_t count = 0;
    if (!blockArguments("nothing was written.", block, count)) {
        return;
    }
    std::copy(entered.bytes.begin(), entered.bytes.end(), module1_.BlockBytes.begin());
    showStatus(api_.MF_Write(reader::kDevice, block, count, module1_.BlockBytes.data()));
}

} // namespace panel
