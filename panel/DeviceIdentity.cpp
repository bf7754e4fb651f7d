// The reader's own identity: bus address, version text, serial number, and its reset.

#include "binding/DeviceAddress.h"
#include "panel/KOV450.h"

#include "binding/MfApi.h"
#include "convert/AnsiCodePage.h"
#include "convert/NumberText.h"
#include "convert/Rounding.h"

namespace panel {

namespace {
constexpr double kHighestNewAddress = 254;
constexpr std::size_t kShownVersionBytes = 32;
} // namespace

void KOV450::GetDevAdd_Click() {
    showStatus(api_.MF_GetDeviceAddr(reader::kDevice, &module1_.DevAddr));
    form.DAlable->setText(QString::number(module1_.DevAddr));
    replaceResult("0", "Device Address Read correctly");
}

void KOV450::HScroll1_Change() {
    form.AddTXT->setText(QString::number(form.HScroll1->value()));
}

void KOV450::AddTXT_Change() {
    if (!convert::isWholeTextNumber(form.AddTXT->text())) {
        form.AddTXT->setText("0");
    }
    if (convert::numericPrefixValue(form.AddTXT->text()) > kHighestNewAddress) {
        form.AddTXT->setText("254");
    }
}

void KOV450::DeviceAddress_Click() {
    const QString text = form.AddTXT->text();
    const std::optional<std::int16_t> address =
        convert::roundToInt16(convert::numericPrefixValue(text));
    if (!address) {
        refuse("Address \"" + text + "\" does not fit -32768 to 32767: no address was set.");
        return;
    }
    showResult(api_.MF_SetDeviceAddr(reader::kDevice, *address), "Set New Address Is OK");
}

void KOV450::DeviceVer_Click() {
    form.Label2->setText("");
    showStatus(api_.MF_GetDevice_Ver(reader::kDevice, module1_.DevVerBytes.data()));
    // A zero byte adds no character and the bytes after it still show, as with the library's
    // version at start-up.
    const convert::AnsiCodePage& codePage = convert::AnsiCodePage::system();
    for (std::size_t i = 0; i < kShownVersionBytes; ++i) {
        form.Label2->setText(form.Label2->text() + codePage.charOf(module1_.DevVerBytes[i]));
    }
    replaceResult("0", "device version is : " + form.Label2->text());
}

void KOV450::DSNget_Click() {
    form.DSNlable->setText("");
    showStatus(api_.MF_GetDeviceSNR(reader::kDevice, module1_.DevSNBytes.data()));
    const convert::AnsiCodePage& codePage = convert::AnsiCodePage::system();
    for (const std::uint8_t byte : module1_.DevSNBytes) {
        form.DSNlable->setText(form.DSNlable->text() + codePage.charOf(byte));
    }
    replaceResult("0", "reading device SN");
}

void KOV450::DSNset_Click() {
    const QString serial = form.DsnTXT->text();
    const std::optional<QByteArray> ansiSerial = convert::AnsiCodePage::system().encode(serial);
    if (!ansiSerial) {
        refuse("The serial number \"" + serial +
               "\" has a character with no single-byte code: no serial number was set.");
        return;
    }
    showResult(api_.MF_SetDeviceSNR(reader::kDevice, ansiSerial->constData()),
               "Device SN set :" + serial);
}

void KOV450::Reset_Click() {
    showResult(api_.MF_DeviceReset(reader::kDevice), "Device reset was successful");
}

} // namespace panel
