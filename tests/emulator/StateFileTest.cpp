#include "emulator/state/StateFile.h"
#include "emulator/state/StateStore.h"

#include "e2e/TempFolder.h"
#include "protocol/Command.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

namespace {

using namespace kov450;

Reader aReaderWithChanges() {
    Reader reader;
    ReaderState& state = reader.state();
    state.address = 7;
    state.lineSpeed = 57600;
    state.serialNumber = {'S', 'N', '1', '2', 0, 0, 0, 0};
    state.version = "a version, with spaces";
    state.keyStore[1][15] = {1, 2, 3, 4, 5, 6};
    state.wiegandMode = 1;
    state.wiegandFormat = 26;
    state.redLed = true; // not lasting: lost like at power-up
    reader.present(
        reader.addCard(MifareClassic::makeDefault(CardKind::Classic1K, {1, 2, 3, 4}, 9)));
    const std::size_t big =
        reader.addCard(MifareClassic::makeDefault(CardKind::Classic4K, {5, 6, 7, 8}, 200));
    reader.card(big).setCredit(201);
    return reader;
}

TEST(StateFile, RoundTripsTheEepromAndTheWallet) {
    const Reader original = aReaderWithChanges();
    const std::string text = stateText(original);
    const auto parsed = parseStateText(text);
    ASSERT_TRUE(std::holds_alternative<SavedState>(parsed)) << std::get<std::string>(parsed);
    Reader restored;
    restoreState(restored, std::get<SavedState>(parsed));

    ReaderState expected = original.state();
    expected.redLed = false;
    EXPECT_EQ(restored.state(), expected);
    ASSERT_EQ(restored.cards().size(), 2U);
    for (std::size_t index = 0; index < 2; ++index) {
        EXPECT_EQ(restored.cards()[index].card.dump(), original.cards()[index].card.dump());
        EXPECT_EQ(restored.cards()[index].inField, original.cards()[index].inField);
    }
    EXPECT_EQ(stateText(restored), text);
}

TEST(StateFile, KeepsEverySettingAndNothingElse) {
    Reader original;
    ReaderSettings settings;
    settings.address = 3;
    settings.lineSpeed = 115200;
    settings.serialNumber = {'L', 'A', 'S', 'T', 'I', 'N', 'G', '2'};
    settings.version = "";
    settings.keyStore[0][0] = {6, 5, 4, 3, 2, 1};
    settings.wiegandMode = 1;
    settings.wiegandFormat = 34;
    static_cast<ReaderSettings&>(original.state()) = settings;
    original.state().currentKey = kDefaultKey;
    original.state().greenLed = true;
    original.state().rfOn = false;
    original.state().lastBuzzer = 7;
    original.state().buzzerCount = 2;
    original.state().resetCount = 5;

    const auto parsed = parseStateText(stateText(original));
    ASSERT_TRUE(std::holds_alternative<SavedState>(parsed)) << std::get<std::string>(parsed);
    EXPECT_TRUE(std::get<SavedState>(parsed).settings == settings);
    Reader restored;
    restoreState(restored, std::get<SavedState>(parsed));
    ReaderState expected;
    static_cast<ReaderSettings&>(expected) = settings;
    EXPECT_TRUE(restored.state() == expected) << "the rest as at power-up";
}

TEST(StateFile, RefusesAnythingNotWhole) {
    const std::string text = stateText(aReaderWithChanges());
    const auto problem = [](std::string_view candidate) {
        const auto parsed = parseStateText(candidate);
        return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "";
    };
    EXPECT_NE(problem(""), "");
    EXPECT_NE(problem("garbage"), "");
    // Cut anywhere, even at a line's end, it is no state: the last line says "end".
    for (std::size_t length : {text.size() - 5, text.size() / 2, std::size_t{40}}) {
        EXPECT_NE(problem(text.substr(0, length)), "") << "cut at " << length;
    }
    std::string badHex = text;
    badHex[badHex.rfind("7D")] = 'Z';
    EXPECT_NE(problem(badHex), "");
    std::string badSpeed = text;
    badSpeed.replace(badSpeed.find("57600"), 5, "12345");
    EXPECT_NE(problem(badSpeed), "");
    EXPECT_EQ(problem(text), "");
}

TEST(StateFile, OnlyCommandsThatChangeWhatLastsCallForASave) {
    using protocol::Command;
    for (const Command command :
         {Command::SetAddress, Command::SetLineSpeed, Command::SetSerial, Command::StoreKey,
          Command::Wiegand, Command::WriteBlocks, Command::ValueOperation, Command::Transfer}) {
        EXPECT_TRUE(mayChangeLastingState(protocol::toByte(command)))
            << int{protocol::toByte(command)};
    }
    for (const Command command : {Command::ReadBlocks, Command::Leds, Command::Buzzer,
                                  Command::Request, Command::LoadKey, Command::Reset}) {
        EXPECT_FALSE(mayChangeLastingState(protocol::toByte(command)))
            << int{protocol::toByte(command)};
    }
}

TEST(StateStore, SetsAnUnreadableFileAsideAndStartsFresh) {
    testing_support::TempFolder folder;
    { std::ofstream(folder.path() / StateStore::kFileName) << "kov450-emu state 1\naddress 300\n"; }
    StateStore store(folder.path());
    Reader reader;
    const auto loaded = store.load(reader);
    EXPECT_FALSE(loaded.restored);
    ASSERT_EQ(loaded.messages.size(), 2U);
    EXPECT_NE(loaded.messages[0].find("unreadable (line 2: bad value)"), std::string::npos)
        << loaded.messages[0];
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "state.txt.unreadable"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / StateStore::kFileName));
    EXPECT_EQ(store.saveIfChanged(reader), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / StateStore::kFileName));
}

TEST(StateStore, SetsAsideAStateFileThatIsNoFileOrTooLargeWithoutReadingIt) {
    testing_support::TempFolder folder;
    const auto file = folder.path() / StateStore::kFileName;
    // A pipe would hold the start-up forever; a huge file would fill the memory.
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    {
        StateStore store(folder.path());
        Reader reader;
        const auto loaded = store.load(reader);
        EXPECT_FALSE(loaded.restored);
        ASSERT_FALSE(loaded.messages.empty());
        EXPECT_NE(loaded.messages[0].find("unreadable (it is not a regular file)"),
                  std::string::npos)
            << loaded.messages[0];
    }
    EXPECT_TRUE(std::filesystem::is_fifo(folder.path() / "state.txt.unreadable"));

    { std::ofstream(file) << "kov450-emu state 1\n"; }
    std::filesystem::resize_file(file, (64U << 20U) + 1U); // sparse: nothing is written
    StateStore store(folder.path());
    Reader reader;
    const auto loaded = store.load(reader);
    EXPECT_FALSE(loaded.restored);
    ASSERT_FALSE(loaded.messages.empty());
    EXPECT_NE(loaded.messages[0].find("unreadable (it is larger than 64 MiB)"), std::string::npos)
        << loaded.messages[0];
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "state.txt.unreadable-2"));
}

TEST(StateStore, SetsAsideAWalletWithTwoCardsOfOneUid) {
    // The console and the window name a card by its UID: two would be one card shown twice.
    Reader twice = aReaderWithChanges();
    twice.addCard(MifareClassic::makeDefault(CardKind::Classic1K, {5, 6, 7, 8}, 1));
    const std::string text = stateText(twice);
    const auto parsed = parseStateText(text);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
    const std::string cardLine = std::to_string(
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(text.rfind("card ")),
                   '\n') +
        1);
    EXPECT_EQ(std::get<std::string>(parsed),
              "line " + cardLine + ": a second card with UID 05060708");

    testing_support::TempFolder folder;
    { std::ofstream(folder.path() / StateStore::kFileName) << text; }
    StateStore store(folder.path());
    Reader reader;
    const auto loaded = store.load(reader);
    EXPECT_FALSE(loaded.restored);
    EXPECT_TRUE(reader.cards().empty());
    ASSERT_EQ(loaded.messages.size(), 2U);
    EXPECT_NE(loaded.messages[0].find("unreadable (line " + cardLine +
                                      ": a second card with UID 05060708)"),
              std::string::npos)
        << loaded.messages[0];
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "state.txt.unreadable"));
}

TEST(StateStore, OneEmulatorAtATimeOwnsAFolder) {
    testing_support::TempFolder folder;
    const StateStore first(folder.path());
    EXPECT_THROW(StateStore second(folder.path()), std::runtime_error);
}

TEST(StateStore, DefaultFolderFollowsXdgStateHome) {
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string kept = saved ? saved : "";
    ::setenv("XDG_STATE_HOME", "/somewhere/state", 1);
    EXPECT_EQ(defaultStateFolder(), "/somewhere/state/kov450-emu");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(defaultStateFolder().filename(), "kov450-emu");
    EXPECT_EQ(defaultStateFolder().parent_path().filename(), "state");
    if (saved) {
        ::setenv("XDG_STATE_HOME", kept.c_str(), 1);
    }
}

} // namespace
