// The reader's outputs: buzzer, LEDs, RF field and Wiegand output.

#include "binding/DeviceAddress.h"
#include "panel/KOV450.h"

#include "binding/MfApi.h"
#include "convert/NumberText.h"
#include "convert/Rounding.h"

namespace panel {

std::optional<std::int16_t> KOV450::buzzerTime() {
    const QString text = form.buzTXT->text();
    const std::optional<std::int16_t> time =
        convert::roundToInt16(convert::numericPrefixValue(text));
    if (!time) {
        refuse("Buzzer time \"" + text + "\" does not fit -32768 to 32767: nothing was sent.");
    }
    return time;
}

void KOV450::Buzzer_Click() {
    const std::optional<std::int16_t> time = buzzerTime();
    if (!time) {
        return;
    }
    showResult(api_.MF_ControlBuzzer(reader::kDevice, &*time), "buzzer worked Correctly");
}

void KOV450::RedLED_Click() {
    const bool on = form.RedLED->isChecked();
    RedLEDState = on ? 1 : 0;
    showResult(api_.MF_ControlLED(reader::kDevice, RedLEDState, GreenLEDState),
               on ? "Red LED is on" : "Red LED is off");
}

void KOV450::GreenLED_Click() {
    const bool on = form.GreenLED->isChecked();
    GreenLEDState = on ? 1 : 0;
    showResult(api_.MF_ControlLED(reader::kDevice, RedLEDState, GreenLEDState),
               on ? "Green LED is on" : "Green LED is oFF");
}

void KOV450::RFant_Click() {
    if (form.RFant->isChecked()) {
        showStatus(api_.MF_SetRF_ON(reader::kDevice));
        form.RFant->setText("RF Is ON");
    } else {
        showStatus(api_.MF_SetRF_OFF(reader::kDevice));
        form.RFant->setText("RF Is OFF");
    }
}

void KOV450::Won_Click() {
    if (form.Won->isChecked()) {
        showStatus(api_.MF_SetWiegandMode(reader::kDevice, 1, 3));
    }
    // The reader takes a new Wiegand mode at its reset.
    showStatus(api_.MF_DeviceReset(reader::kDevice));
}

void KOV450::Woff_Click() {
    if (form.Woff->isChecked()) {
        showStatus(api_.MF_SetWiegandMode(reader::kDevice, 0, 0));
    }
    showStatus(api_.MF_DeviceReset(reader::kDevice));
}

} // namespace panel
