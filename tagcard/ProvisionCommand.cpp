// provision: each card laid on the reader gets its credit (and new keys if asked), read back,
// a beep and a line; cards served are halted, so that only a new one answers the next request.
#include "tagcard/CommandSteps.h"
#include "tagcard/Commands.h"

#include "binding/DeviceAddress.h"
#include "binding/MfApi.h"

#include <MF_API.h>

#include <chrono>
#include <set>

namespace tagcard {

namespace {

using namespace std::chrono_literals;

/// The beep of a card served, in the buzzer's units of 10 ms.
constexpr std::int16_t kBeep = 10;

struct Plan {
    std::uint8_t credit;
    std::optional<int> count;
    std::optional<NewKeys> newKeys;
};

/// What became of one card: nothing when it was served, else why not with the status.
struct CardProblem {
    std::string message;
    std::optional<std::int32_t> status;
};

/// Opens a sector with the old key, or with the new one of the same type where an earlier run
/// (a card taken away midway) changed it already; which one opened it, or the failure.
std::variant<SectorKey, std::int32_t> openEither(CardAccess& card, int sector, const SectorKey& old,
                                                 const Plan& plan) {
    std::int32_t status = card.open(sector, old);
    if (status == MF_OK) {
        return old;
    }
    if (status == MF_ERR_AUTH_FAILED && plan.newKeys) {
        const SectorKey renewed{old.type, old.type == MF_KEY_A ? plan.newKeys->a : plan.newKeys->b};
        status = card.open(sector, renewed);
        if (status == MF_OK) {
            return renewed;
        }
    }
    return status;
}

/// Gives every sector's trailer the new keys, keeping its access bits.
std::optional<CardProblem> renewKeys(CardAccess& card, const SectorKey& old, const Plan& plan) {
    const CardKind kind = *card.card().kind;
    for (int sector = 0; sector < sectorCount(kind); ++sector) {
        auto opened = openEither(card, sector, old, plan);
        if (const auto* status = std::get_if<std::int32_t>(&opened)) {
            return CardProblem{"cannot open sector " + std::to_string(sector), *status};
        }
        const SectorKey& key = std::get<SectorKey>(opened);
        Block trailer{};
        if (const std::int32_t status = card.read(trailerOf(sector), trailer, key);
            status != MF_OK) {
            return CardProblem{"cannot read the trailer of sector " + std::to_string(sector),
                               status};
        }
        Block renewed{};
        std::copy_n(trailer.begin() + kAccessOffset, kAccessBytes, renewed.begin() + kAccessOffset);
        putKeys(renewed, plan.newKeys->a, plan.newKeys->b);
        if (renewed == trailer) {
            continue;
        }
        if (const std::int32_t status = card.write(trailerOf(sector), renewed, key);
            status != MF_OK) {
            return CardProblem{"cannot write the keys of sector " + std::to_string(sector), status};
        }
    }
    return std::nullopt;
}

std::optional<CardProblem> serve(Tool& tool, CardAccess& card, const Plan& plan) {
    if (!card.card().kind) {
        return CardProblem{"not a MIFARE Classic 1K or 4K card (" + typeText(card.card()) + ")",
                           std::nullopt};
    }
    auto opened = openEither(card, sectorOf(kCreditBlock), tool.key, plan);
    if (const auto* status = std::get_if<std::int32_t>(&opened)) {
        return CardProblem{"cannot open block 4", *status};
    }
    Block block{};
    if (const std::int32_t status = card.read(kCreditBlock, block, std::get<SectorKey>(opened));
        status != MF_OK) {
        return CardProblem{"cannot read block 4", status};
    }
    block[0] = plan.credit;
    if (const std::int32_t status = card.write(kCreditBlock, block, std::get<SectorKey>(opened));
        status != MF_OK) {
        return CardProblem{"cannot write the credit", status};
    }
    SectorKey readBackKey = std::get<SectorKey>(opened);
    if (plan.newKeys) {
        if (auto problem = renewKeys(card, tool.key, plan)) {
            return problem;
        }
        readBackKey.bytes = readBackKey.type == MF_KEY_A ? plan.newKeys->a : plan.newKeys->b;
    }
    Block readBack{};
    if (const std::int32_t status = card.read(kCreditBlock, readBack, readBackKey);
        status != MF_OK) {
        return CardProblem{"cannot read the credit back", status};
    }
    if (readBack != block) {
        return CardProblem{"block 4 reads back " + hexText(readBack) + ", not " + hexText(block),
                           std::nullopt};
    }
    return std::nullopt;
}

/// Waits for a card that has not been served yet; the exit status when a signal or a closed
/// output ends the wait, or the port fails.
std::variant<FoundCard, int> nextCard(Tool& tool) {
    for (;;) {
        if (!tool.report.good()) {
            return static_cast<int>(ExitCode::NotWritten);
        }
        FoundCard card;
        // Served cards lie halted in the field: only a new one answers an idle request.
        const std::int32_t status = findCard(tool.api, MF_REQUEST_IDLE, card);
        if (status == MF_OK) {
            return card;
        }
        if (status < 0 && status != MF_ERR_TIMEOUT) {
            return tool.report.failed("provision", "the reader is gone", status);
        }
        if (!tool.interrupts.pause(kPollInterval)) {
            return interruptedExit(*tool.interrupts.caught());
        }
    }
}

std::variant<Plan, std::string> planOf(const ProvisionOptions& options) {
    Plan plan{};
    auto credit = parseNumber(options.credit, 0, 255, "the credit");
    if (auto* problem = std::get_if<std::string>(&credit)) {
        return *problem;
    }
    plan.credit = static_cast<std::uint8_t>(std::get<int>(credit));
    if (options.count) {
        auto count = parseNumber(*options.count, 1, 1000000, "the count");
        if (auto* problem = std::get_if<std::string>(&count)) {
            return *problem;
        }
        plan.count = std::get<int>(count);
    }
    if (options.newKeys) {
        auto keys = parseNewKeys(*options.newKeys);
        if (auto* problem = std::get_if<std::string>(&keys)) {
            return *problem;
        }
        plan.newKeys = std::get<NewKeys>(keys);
    }
    return plan;
}

} // namespace

int runProvision(Tool& tool, const ProvisionOptions& options) {
    auto planned = planOf(options);
    if (const auto* problem = std::get_if<std::string>(&planned)) {
        return tool.report.failure("provision", *problem, ExitCode::Usage);
    }
    const Plan& plan = std::get<Plan>(planned);
    const OpenPort port(tool.api, tool.port);
    if (auto failed = portFailure(tool, "provision", port)) {
        return *failed;
    }
    tool.report.note("lay the cards on the reader one after another; Ctrl-C ends");
    const std::string of = plan.count ? " of " + std::to_string(*plan.count) : " done";
    int served = 0;
    int failed = 0;
    int ending = 0;
    while (!plan.count || served < *plan.count) {
        auto next = nextCard(tool);
        if (const int* status = std::get_if<int>(&next)) {
            ending = *status;
            break;
        }
        CardAccess card(tool.api, std::get<FoundCard>(next));
        const std::string uid = uidText(card.card().uid);
        std::optional<CardProblem> problem;
        if (const std::int32_t status = card.select(); status != MF_OK) {
            problem = CardProblem{"cannot select the card", status};
        } else {
            problem = serve(tool, card, plan);
        }
        // Served or not, the card sleeps until it leaves the field, so it is not taken again.
        static_cast<void>(card.halt());
        if (problem) {
            ++failed;
            tool.report.failure("provision", uid + ": " + problem->message + "; take it away",
                                problem->status ? exitCodeOf(*problem->status)
                                                : ExitCode::LibraryStatus,
                                problem->status);
            continue;
        }
        ++served;
        const std::int16_t beep = kBeep;
        static_cast<void>(tool.api.MF_ControlBuzzer(reader::kDevice, &beep)); // PC/SC has none
        Json fields{{"uid", uid}, {"credit", plan.credit}, {"n", served}};
        fields["count"] = plan.count ? Json(*plan.count) : Json(nullptr);
        fields["keys"] = plan.newKeys ? "renewed" : "kept";
        tool.report.result("provision",
                           uid + " credit " + std::to_string(plan.credit) +
                               (plan.newKeys ? ", keys renewed" : "") + "\n" +
                               std::to_string(served) + of,
                           fields);
    }
    Json summary{{"summary", true}, {"served", served}, {"failed", failed}};
    summary["count"] = plan.count ? Json(*plan.count) : Json(nullptr);
    tool.report.result("provision",
                       "provisioned " + std::to_string(served) +
                           (plan.count ? " of " + std::to_string(*plan.count) : "") + " cards, " +
                           std::to_string(failed) + " failed",
                       summary);
    // Without a count, Ctrl-C is the way to end.
    return !plan.count && tool.interrupts.caught() ? 0 : ending;
}

} // namespace tagcard
