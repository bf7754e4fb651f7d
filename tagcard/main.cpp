// tagcard: the reader's card operations for scripts. The command line is read here; each
// command is a function of Commands.h.
#include "tagcard/Commands.h"
#include "tagcard/ExitCode.h"

#include "binding/MfApi.h"
#include "cli/InfoOptions.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

constexpr const char* kUsage =
    "usage: tagcard [--port NAME] [--key A:HEX12|B:HEX12] [--json] COMMAND [ARGS]\n";

constexpr const char* kDescription =
    "The KOV450 reader's card operations for scripts, over MF_API: look at the card in the\n"
    "field, read and write its blocks, dump and restore it, charge it as the panel's Auto Read\n"
    "does, provision card after card.\n";

constexpr const char* kEnvironment =
    "Environment: MF_API_PORTS, XDG_RUNTIME_DIR (port folder), MF_API_ANSWER_MARGIN_MS,\n"
    "XDG_STATE_HOME (purchase journal of charge: tagbench/purchases.csv).\n"
    "See tagcard(1).\n";

/// The usage line first, as the other programs print it, then CLI11's lists.
class UsageFirst : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override {
        if (app->get_parent() == nullptr) {
            return kUsage;
        }
        return CLI::Formatter::make_usage(app, std::move(name));
    }
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        if (mode == CLI::AppFormatMode::Sub) {
            return make_expanded(app);
        }
        return make_usage(app, name) + make_description(app) + make_positionals(app) +
               make_groups(app, mode) + make_subcommands(app, mode) + "\n" + make_footer(app);
    }
};

} // namespace

int main(int argc, char** argv) {
    using namespace tagcard;
    const reader::LibraryLocation library = reader::LibraryLocation::besideProgram();

    CLI::App app(kDescription, "tagcard");
    app.formatter(std::make_shared<UsageFirst>());
    app.get_formatter()->label("Usage", "usage");
    app.footer(std::string(kExitStatusHelp) + "\n" + kEnvironment);
    app.set_version_flag("--version", [&library] {
        return cli::versionLine("tagcard") + "\n" + cli::libraryLine(library);
    });
    app.require_subcommand(1, 1);
    app.fallthrough();

    std::string port = "USB";
    std::string keyText;
    bool json = false;
    app.add_option("--port", port,
                   "the reader's port: USB (the default), COM1, a device, "
                   "socket://HOST:PORT, pcsc, pcsc:TEXT")
        ->type_name("NAME");
    app.add_option("--key", keyText,
                   "the key that opens the sectors, as key A or B (default B:7D7D7D7D7D7D, the "
                   "panel's)")
        ->type_name("A:HEX12|B:HEX12");
    app.add_flag("--json", json, "one JSON object a result, on a line of its own");

    CLI::App* info = app.add_subcommand("info", "library file and version, reader version, "
                                                "serial number, address");

    CLI::App* scan = app.add_subcommand("scan", "the card in the field: UID and card type");
    double waitSeconds = 0;
    CLI::Option* wait = scan->add_option("--wait", waitSeconds, "wait up to SECONDS for a card")
                            ->type_name("SECONDS")
                            ->check(CLI::Range(0.0, 3600.0));

    app.add_subcommand("watch", "one line per newly seen card, until interrupted (Ctrl-C)");

    CLI::App* read = app.add_subcommand("read", "blocks as hex, one a line");
    std::string readBlock;
    std::string readCount;
    read->add_option("BLOCK", readBlock, "the first block")->required();
    CLI::Option* count = read->add_option("COUNT", readCount, "how many blocks (default 1)");

    CLI::App* write = app.add_subcommand("write", "whole blocks, 32 hex digits each, from BLOCK");
    std::string writeBlock;
    std::vector<std::string> hexBlocks;
    bool trailer = false;
    write->add_option("BLOCK", writeBlock, "the first block")->required();
    write->add_option("HEX32", hexBlocks, "a block's 16 bytes as 32 hex digits")->required();
    write->add_flag("--trailer", trailer, "allow writing sector trailers (keys, access bits)");

    CLI::App* dump = app.add_subcommand("dump", "the whole card as a raw .mfd (1K: 1024 bytes, "
                                                "4K: 4096), written whole or not at all");
    std::string dumpFile;
    std::string keyList;
    dump->add_option("FILE", dumpFile, "the dump file")->required();
    CLI::Option* keys =
        dump->add_option("--keys", keyList, "try each key of this list too (12 hex digits a line)")
            ->type_name("FILE");

    CLI::App* restore = app.add_subcommand("restore", "the data blocks of a raw dump");
    std::string restoreFile;
    bool trailers = false;
    restore->add_option("FILE", restoreFile, "the dump file")->required();
    restore->add_flag("--trailers", trailers, "write the sector trailers too (keys, access bits)");

    app.add_subcommand("credit", "byte 0 of block 4, as the panel reads it");

    CLI::App* charge = app.add_subcommand(
        "charge", "the panel's purchase: AMOUNT off the credit, asked y/N on the terminal, "
                  "journalled");
    std::string amount;
    bool yes = false;
    charge->add_option("AMOUNT", amount, "the purchase amount; a negative one is a refund")
        ->required();
    charge->add_flag("--yes", yes, "do not ask: the answer is yes");

    CLI::App* provision =
        app.add_subcommand("provision", "each card laid on the reader: credit (and keys) set, "
                                        "read back, a beep and a line");
    ProvisionOptions plan;
    std::string countText;
    std::string newKeys;
    provision->add_option("--credit", plan.credit, "the credit to set, 0 to 255")
        ->type_name("N")
        ->required();
    CLI::Option* cards =
        provision->add_option("--count", countText, "stop after N cards (default: at Ctrl-C)")
            ->type_name("N");
    CLI::Option* renew = provision->add_option("--new-key", newKeys, "give every sector these keys")
                             ->type_name("A:HEX12,B:HEX12");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error); // --help, --version
        }
        std::cerr << "tagcard: " << error.what() << "\n"
                  << kUsage << "Run 'tagcard --help' for the commands and their options.\n";
        return static_cast<int>(ExitCode::Usage);
    }

    reader::MfApi api(library);
    Report report(json, std::cout, std::cerr);
    api.setProblemHandler([&report](const std::string& message) { report.note(message); });
    SectorKey key = panelKey();
    if (!keyText.empty()) {
        auto parsed = parseKey(keyText);
        if (const auto* problem = std::get_if<std::string>(&parsed)) {
            return report.failure("--key", *problem, ExitCode::Usage);
        }
        key = std::get<SectorKey>(parsed);
    }
    const InterruptSignals interrupts;
    Tool tool{api, port, key, report, interrupts};
    const CLI::App* command = app.get_subcommands().front();
    const std::string name = command->get_name();
    if (command == info) {
        return runInfo(tool);
    }
    if (command == scan) {
        return runScan(tool, *wait ? std::optional(waitSeconds) : std::nullopt);
    }
    if (name == "watch") {
        return runWatch(tool);
    }
    if (command == read) {
        return runRead(tool, readBlock, *count ? std::optional(readCount) : std::nullopt);
    }
    if (command == write) {
        return runWrite(tool, writeBlock, hexBlocks, trailer);
    }
    if (command == dump) {
        return runDump(tool, dumpFile, *keys ? std::optional(keyList) : std::nullopt);
    }
    if (command == restore) {
        return runRestore(tool, restoreFile, trailers);
    }
    if (name == "credit") {
        return runCredit(tool);
    }
    if (command == charge) {
        return runCharge(tool, amount, !yes);
    }
    plan.count = *cards ? std::optional(countText) : std::nullopt;
    plan.newKeys = *renew ? std::optional(newKeys) : std::nullopt;
    return runProvision(tool, plan);
}
