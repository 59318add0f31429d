#pragma once
// Round status lamps painted on QLabels, and the hardware test report line.

#include <string>

class QLabel;

// Colour codes: 0 grey, 1 red, 2 green, 3 yellow; any other code leaves the
// background colour empty.
void setLED(QLabel* label, int state, int size);

namespace StatusManager {

enum DeviceStatus : int {
    STATUS_GREY = 0,
    STATUS_RED = 1,
    STATUS_GREEN = 2,
    STATUS_YELLOW = 3,
};

// Does nothing for a null label; unknown values paint grey.
void setDeviceStatus(QLabel* label, DeviceStatus status, int size);
void reportHardwareTest(const std::string& name, bool ok);

}  // namespace StatusManager
