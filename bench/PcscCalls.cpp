#include "PcscCalls.h"

#include "Emulator.h"

#include "binding/MfApi.h"
#include "e2e/ChildProcess.h"
#include "e2e/TempFolder.h"
#include "pcsc/PcscWatch.h"

#include <winscard.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::PcscWatch;

constexpr int kBatches = 6;
constexpr int kReadsPerBatch = 50;
constexpr double kLimitRatio = 1.10;
constexpr const char* kWhat = "MF_Read 1 block vs bare SCardTransmit";

// The same commands the library sends for the session and the read.
const std::array<std::uint8_t, 11> kLoadKey{0xFF, 0x82, 0x00, 0x00, 0x06, 0x7D,
                                            0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
const std::array<std::uint8_t, 10> kAuthenticate{0xFF, 0x86, 0x00, 0x00, 0x05,
                                                 0x01, 0x00, 0x04, 0x61, 0x00};
const std::array<std::uint8_t, 5> kReadBlock4{0xFF, 0xB0, 0x00, 0x04, 0x10};

/// pcscd with vpcd and kov450-emu serving its default card, as the PC/SC tests run them.
class PcscBench {
public:
    PcscBench() {
        std::filesystem::remove("/run/pcscd/pcscd.pid");
        ::setenv("XDG_STATE_HOME", folder_.path().c_str(), 1);
        pcscd_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "exec /usr/sbin/pcscd --foreground >>'" +
                                         (folder_.path() / "pcscd.log").string() + "' 2>&1"});
        if (!PcscWatch::waitForReader("Virtual PCD", 10s)) {
            throw std::runtime_error("pcscd lists no vpcd reader");
        }
        emulator_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{KOV450_EMU_PATH, "--headless", "--state",
                                     (folder_.path() / "state").string(), "--port", "BENCH",
                                     "--pcsc"},
            std::vector<std::pair<std::string, std::string>>{
                {"MF_API_PORTS", folder_.path().string()}});
        if (!emulator_->waitForLine("ready:", 10s) ||
            !PcscWatch::waitForCard("Virtual PCD", true, 10s)) {
            throw std::runtime_error("kov450-emu's card did not reach pcscd: " +
                                     emulator_->transcript());
        }
    }
    ~PcscBench() {
        emulator_.reset();
        pcscd_->signal(SIGTERM);
        pcscd_->wait(5s);
    }
    PcscBench(const PcscBench&) = delete;
    PcscBench& operator=(const PcscBench&) = delete;

private:
    testing_support::TempFolder folder_;
    std::unique_ptr<ChildProcess> pcscd_;
    std::unique_ptr<ChildProcess> emulator_;
};

void expect(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what);
    }
}

void libraryBatch(reader::MfApi& api, std::vector<double>& micros) {
    expect(api.MF_InitComm("pcsc", 9600) == 0, "MF_InitComm(pcsc) failed");
    std::array<std::uint8_t, 16> block{};
    std::array<std::uint8_t, 4> uid{};
    const std::array<std::uint8_t, 6> key{0x7D, 0x7D, 0x7D, 0x7D, 0x7D, 0x7D};
    expect(api.MF_Request(0, 0, block.data()) == 0 && api.MF_Anticoll(0, uid.data()) == 0 &&
               api.MF_Select(0, uid.data()) == 0 && api.MF_LoadKey(0, key.data()) == 0 &&
               api.MF_Authentication(0, 0, 4, uid.data()) == 0,
           "the library could not open sector 1");
    for (int read = -1; read < kReadsPerBatch; ++read) { // read -1 warms up
        const auto start = Clock::now();
        const std::int32_t status = api.MF_Read(0, 4, 1, block.data());
        const auto took = std::chrono::duration<double, std::micro>(Clock::now() - start);
        expect(status == 0, "MF_Read gave " + std::to_string(status));
        if (read >= 0) {
            micros.push_back(took.count());
        }
    }
    static_cast<void>(api.MF_ExitComm()); // closing cannot fail the measurement
}

LONG send(SCARDHANDLE card, DWORD protocol, std::span<const std::uint8_t> apdu) {
    std::array<std::uint8_t, 258> answer{};
    DWORD length = answer.size();
    const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    const LONG result = SCardTransmit(card, pci, apdu.data(), static_cast<DWORD>(apdu.size()),
                                      nullptr, answer.data(), &length);
    if (result == SCARD_S_SUCCESS && (length < 2 || answer[length - 2] != 0x90)) {
        return SCARD_F_UNKNOWN_ERROR;
    }
    return result;
}

void bareBatch(std::vector<double>& micros) {
    SCARDCONTEXT context = 0;
    expect(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) == SCARD_S_SUCCESS,
           "no PC/SC context");
    const auto readers = PcscWatch::readers();
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    const bool ready =
        !readers.empty() &&
        SCardConnect(context, readers.front().c_str(), SCARD_SHARE_EXCLUSIVE,
                     SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol) == SCARD_S_SUCCESS &&
        send(card, protocol, kLoadKey) == SCARD_S_SUCCESS &&
        send(card, protocol, kAuthenticate) == SCARD_S_SUCCESS;
    for (int read = -1; ready && read < kReadsPerBatch; ++read) {
        const auto start = Clock::now();
        const LONG result = send(card, protocol, kReadBlock4);
        const auto took = std::chrono::duration<double, std::micro>(Clock::now() - start);
        expect(result == SCARD_S_SUCCESS, "a bare read failed");
        if (read >= 0) {
            micros.push_back(took.count());
        }
    }
    SCardDisconnect(card, SCARD_RESET_CARD);
    SCardReleaseContext(context);
    expect(ready, "the bare loop could not open sector 1");
}

std::string fixed(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.0f", value);
    return text.data();
}

} // namespace

void measurePcscCalls(reader::MfApi& api, Table& table) {
    if (std::getenv("KOV_PCSC_SANDBOX") == nullptr) {
        table.skip("pcsc", kWhat, "needs pcsc_sandbox's private pcscd: run scripts/bench");
        return;
    }
    if (!std::filesystem::exists("/usr/sbin/pcscd")) {
        table.skip("pcsc", kWhat, "pcscd is not installed (scripts/deps)");
        return;
    }
    const PcscBench service;
    std::vector<double> library;
    std::vector<double> bare;
    // Alternating batches, so that the machine's load weighs on both alike.
    for (int batch = 0; batch < kBatches; ++batch) {
        libraryBatch(api, library);
        bareBatch(bare);
    }
    const double bareMedian = median(bare);
    const double libraryMedian = median(library);
    table.add({"pcsc", kWhat, libraryMedian, bareMedian * kLimitRatio, "us", true,
               "medians of " + std::to_string(library.size()) + "; bare loop " + fixed(bareMedian) +
                   " us, library/bare " + std::to_string(libraryMedian / bareMedian).substr(0, 4) +
                   "; limit 1.10 x bare"});
}

} // namespace bench
