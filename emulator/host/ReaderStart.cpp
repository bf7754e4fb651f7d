#include "emulator/host/ReaderStart.h"

#include "emulator/host/ErrorLine.h"

namespace kov450 {

void restoreReader(Reader& reader, StateStore& store, bool defaultCard,
                   const std::function<void(const std::string&)>& print) {
    const StateStore::Loaded loaded = store.load(reader);
    for (const std::string& message : loaded.messages) {
        print(message);
    }
    if (!loaded.restored && defaultCard) {
        const Uid uid{0xA1, 0xB2, 0xC3, 0xD4};
        reader.present(reader.addCard(MifareClassic::makeDefault(CardKind::Classic1K, uid, 50)));
    }
    if (const auto problem = store.saveIfChanged(reader)) {
        print(errorLine(*problem));
    }
}

} // namespace kov450
