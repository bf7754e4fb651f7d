#pragma once

// tagcard's commands, each a small function over the binding, called by main once its command
// line is read. Each returns the exit status (see ExitCode.h).

#include "tagcard/Arguments.h"
#include "tagcard/Interrupt.h"
#include "tagcard/Report.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace reader {
class MfApi;
}

namespace tagcard {

/// What every command shares: the library, the options before the command, the output and the
/// signals that end a wait.
struct Tool {
    reader::MfApi& api;
    std::string port;
    SectorKey key;
    Report& report;
    const InterruptSignals& interrupts;
};

int runInfo(Tool& tool);

/// Without `waitSeconds` one look; with it, looks until a card comes or the time is up.
int runScan(Tool& tool, std::optional<double> waitSeconds);

int runWatch(Tool& tool);

int runRead(Tool& tool, const std::string& block, const std::optional<std::string>& count);

int runWrite(Tool& tool, const std::string& block, const std::vector<std::string>& hexBlocks,
             bool trailer);

int runDump(Tool& tool, const std::filesystem::path& file,
            const std::optional<std::filesystem::path>& keyList);

int runRestore(Tool& tool, const std::filesystem::path& file, bool trailers);

int runCredit(Tool& tool);

/// `ask` false answers yes to the question (--yes).
int runCharge(Tool& tool, const std::string& amount, bool ask);

struct ProvisionOptions {
    std::string credit;
    std::optional<std::string> count;
    std::optional<std::string> newKeys;
};
int runProvision(Tool& tool, const ProvisionOptions& options);

} // namespace tagcard
