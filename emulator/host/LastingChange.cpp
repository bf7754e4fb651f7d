#include "emulator/host/LastingChange.h"

#include "emulator/model/HexText.h"

namespace kov450 {

ConsoleReply lastingChange(Reader& reader, const SaveState& save,
                           const std::function<ConsoleReply()>& change) {
    Reader::Memento before = reader.memento();
    ConsoleReply reply = change();
    if (const auto problem = save()) {
        reader.restore(std::move(before));
        reply.lines = {*problem + "; the change is undone"};
    }
    return reply;
}

Reader::Keeper lineKeeper(SaveState save, std::function<void(const std::string&)> tell) {
    return [save = std::move(save), tell = std::move(tell)](const protocol::Frame& request) {
        const auto problem = save();
        if (problem) {
            tell(*problem + "; command " + hexText(std::array{request.command}) +
                 " is undone and refused");
        }
        return !problem;
    };
}

} // namespace kov450
