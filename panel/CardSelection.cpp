// Request, anticollision, select and halt: a card in the field walked to the selected state.

#include "binding/DeviceAddress.h"
#include "panel/KOV450.h"

#include "binding/MfApi.h"
#include "convert/HexText.h"

namespace panel {

namespace {
constexpr std::int32_t kFreeMode = 0;   // idle cards only
constexpr std::int32_t kActiveMode = 1; // halted cards too
} // namespace

void KOV450::Request_Click() {
    const std::int32_t mode = form.REQMode1->isChecked() ? kFreeMode : kActiveMode;
    showStatus(api_.MF_Request(reader::kDevice, mode, module1_.CardType.data()));
    form.CtypeLable->setText(" Card Type = " + convert::hexOfByte(module1_.CardType[0]) + "00");
}

void KOV450::Anticool_Click() {
    showStatus(api_.MF_Anticoll(reader::kDevice, module1_.CardSN.data()));
    form.cardsnTXT->setText("card SN is : " + convert::hexOfBytes(module1_.CardSN));
}

void KOV450::select_Click() {
    showStatus(api_.MF_Select(reader::kDevice, module1_.CardSN.data()));
}

void KOV450::Halt_Click() {
    showStatus(api_.MF_Halt(reader::kDevice));
}

} // namespace panel
