#include "journal/JournalLocation.h"

#include "ports/StateHome.h"

namespace journal {

std::filesystem::path purchaseJournalPath() {
    return ports::stateHome() / "tagbench" / "purchases.csv";
}

} // namespace journal
