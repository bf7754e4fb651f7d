// Our framed protocol over the pty that kov450-emu publishes as COM1 (and USB).
#include "backends/BackEnd.h"
#include "backends/BackEnds.h"
#include "e2e/EmulatorSession.h"

namespace testing_support {

namespace {

class FramedBackEndSession : public BackEndSession, private FramedEmulator {
public:
    void start() override { FramedEmulator::start(); }
    ChildProcess& emulator() override { return *emulator_; }
    void remove(const std::string& card) override {
        console("remove " + card, "outside the field");
    }
    // The reader is the field: a card taken away answers nothing at once.
    void waitUntilGone() override {}
    void present(const std::string& card) override { console("present " + card, "in the field"); }
    // The reader keeps the keys itself, and says so.
    void expectKeysKept() override { expectOutput("event: key store changed"); }
};

} // namespace

BackEnd framedBackEnd() {
    return {.name = "framed",
            .port = "COM1",
            .portAlias = "usb",
            .readerFunctions = MF_OK,
            .version = "KOV450 emulated reader 1.0",
            .openBeforeACardSession = MF_ERR_PORT_BUSY,
            .session = []() -> std::unique_ptr<BackEndSession> {
                return std::make_unique<FramedBackEndSession>();
            }};
}

} // namespace testing_support
