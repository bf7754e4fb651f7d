// kov-bench: measures, in one run, the round trip of each library call against kov450-emu
// (unpaced and paced at 9600 bit/s), the polls per second of tagpoll, card arrival to its log
// line and to the purchase's confirmation, the purchase journal's lines, and the start-up and peak
// memory of both programs; prints one table of figures against their limits. A benchmark, not a
// test: it fails only when it cannot measure.
#include "JournalAppend.h"
#include "LedgerTimes.h"
#include "LibraryCalls.h"
#include "PcscCalls.h"
#include "ProgramTimes.h"
#include "Ser2net.h"
#include "StartUp.h"
#include "Table.h"

#include "binding/MfApi.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::string binFolder =
        std::filesystem::canonical("/proc/self/exe").parent_path().string();
    bench::Table table;
    try {
        // Arguments name the parts to run (calls, pcsc, ser2net, programs, journal, ledger,
        // startup);
        // none runs them all.
        const QStringList parts = QApplication::arguments().mid(1);
        const auto wanted = [&parts](const char* part) {
            return parts.isEmpty() || parts.contains(QLatin1String(part));
        };
        reader::MfApi api(reader::LibraryLocation::besideProgram());
        if (wanted("calls")) {
            bench::measureLibraryCalls(api, table);
        }
        if (wanted("pcsc")) {
            bench::measurePcscCalls(api, table);
        }
        if (wanted("ser2net")) {
            bench::measureSer2net(table);
        }
        if (wanted("programs")) {
            bench::measurePrograms(api, table);
        }
        if (wanted("journal")) {
            bench::measureJournalAppend(table);
        }
        if (wanted("ledger")) {
            bench::measureLedger(table);
        }
        if (wanted("startup")) {
            bench::measureStartUp(binFolder, table);
        }
    } catch (const std::exception& error) {
        std::fputs(table.text().c_str(), stdout);
        std::fprintf(stderr, "kov-bench: %s\n", error.what());
        return 1;
    }
    std::fputs(table.text().c_str(), stdout);
    std::printf("%d figure(s) outside their limit\n", table.outside());
    return 0;
}
