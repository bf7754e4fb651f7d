// The reader's line speed, each change confirmed by the buzzer.

#include "binding/DeviceAddress.h"
#include "panel/KOV450.h"

#include "binding/MfApi.h"

namespace panel {

void KOV450::baudButton_Click(std::int32_t rate) {
    // The buzzer time is checked first, so that a refused time sends nothing at all.
    const std::optional<std::int16_t> time = buzzerTime();
    if (!time) {
        return;
    }
    showStatus(api_.MF_SetDeviceBaud(reader::kDevice, rate));
    showStatus(api_.MF_ControlBuzzer(reader::kDevice, &*time));
}

} // namespace panel
