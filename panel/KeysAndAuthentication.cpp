// Key entry, the reader's key store and sector authentication.

#include "binding/DeviceAddress.h"
#include "panel/KOV450.h"

#include "binding/MfApi.h"
#include "convert/HexPairValue.h"
#include "convert/NumberText.h"
#include "convert/Rounding.h"

namespace panel {

std::int32_t KOV450::keyTypeCode() const {
    return form.KeyAorB->checkState() != Qt::Unchecked ? MF_KEY_A : MF_KEY_B;
}

void KOV450::LoadKey_Click() {
    // Every box is checked before any byte is stored, so a bad box leaves the key as it was.
    std::array<std::uint8_t, 6> key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        const QString text = form.keyTXT[i]->text();
        const std::optional<std::int16_t> value = HexPairValue(text);
        if (!value) {
            refuse(QString("Key box %1 holds \"%2\", not a hex pair (one or two digits 0-9, A-F): "
                           "the key was not loaded.")
                       .arg(form.keyTXT[i]->objectName(), text));
            return;
        }
        key[i] = static_cast<std::uint8_t>(*value);
    }
    module1_.KeyBytes = key;
    showStatus(api_.MF_LoadKey(reader::kDevice, module1_.KeyBytes.data()));
}

void KOV450::keyFromEE_Click() {
    showStatus(api_.MF_LoadKeyFromEE(reader::kDevice, keyTypeCode(), form.keyNumscroll->value()));
}

void KOV450::KeyToEE_Click() {
    showStatus(api_.MF_StoreKeyToEE(reader::kDevice, keyTypeCode(), form.keyNumscroll->value(),
                                    module1_.KeyBytes.data()));
}

void KOV450::keyNumscroll_Change() {
    form.EElable->setText(QString::number(form.keyNumscroll->value()));
}

void KOV450::Authentication_Click() {
    const std::int32_t keyType = keyTypeCode();
    const QString blockText = form.blockNtxt->text();
    const std::optional<std::int16_t> block =
        convert::roundToInt16(convert::numericPrefixValue(blockText));
    if (!block) {
        refuse("Block number \"" + blockText +
               "\" does not fit -32768 to 32767: no authentication was made.");
        return;
    }
    showStatus(api_.MF_Authentication(reader::kDevice, keyType, *block, module1_.CardSN.data()));
}

} // namespace panel
