#include "emulator/host/Console.h"
#include "emulator/host/Options.h"
#include "emulator/host/StateReport.h"

#include <gtest/gtest.h>

namespace {

using namespace kov450;

bool anyLineHas(const ConsoleReply& reply, const std::string& text) {
    for (const std::string& line : reply.lines) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class ConsoleTest : public ::testing::Test {
protected:
    Reader reader;
    LineFaults faults;
    Console console{reader, faults};
};

TEST_F(ConsoleTest, HelpListsEveryCommand) {
    const ConsoleReply reply = console.execute("help");
    for (const char* command : {"cards", "create", "present", "remove", "show", "credit", "revive",
                                "reader", "noise", "corrupt", "quit"}) {
        EXPECT_TRUE(anyLineHas(reply, command)) << command;
    }
    EXPECT_FALSE(reply.quit);
}

TEST_F(ConsoleTest, CreatesPresentsAndRemovesCards) {
    EXPECT_TRUE(anyLineHas(console.execute("cards"), "no cards"));
    EXPECT_TRUE(anyLineHas(console.execute("create 4k 0A0B0C0D 9"),
                           "card 1: 4K 0A0B0C0D, outside the field, idle, credit 9"));
    EXPECT_TRUE(anyLineHas(console.execute("create"), "card 2: 1K C0DE0002"));
    EXPECT_TRUE(anyLineHas(console.execute("present 0a0b0c0d"), "in the field"));
    EXPECT_TRUE(reader.cards()[0].inField);
    EXPECT_TRUE(anyLineHas(console.execute("remove 1"), "outside the field"));
    EXPECT_FALSE(reader.cards()[0].inField);
    EXPECT_TRUE(anyLineHas(console.execute("credit 2 200"), "credit 200"));
    EXPECT_EQ(reader.cards()[1].card.block(4)[0], 200);
}

TEST_F(ConsoleTest, ShowsSectorsWithTheirAccessConditions) {
    console.execute("create 1k 01020304");
    const ConsoleReply one = console.execute("show 1 1");
    EXPECT_TRUE(anyLineHas(one, "sector 1: access 000 000 000 011"));
    EXPECT_TRUE(anyLineHas(one, "block 4: 32000000"));
    EXPECT_TRUE(anyLineHas(one, "block 7: 7D7D7D7D7D7D7F0788697D7D7D7D7D7D"));
    EXPECT_FALSE(anyLineHas(one, "sector 2"));
    EXPECT_EQ(console.execute("show 1").lines.size(), 1U + 16U * 5U);
}

TEST_F(ConsoleTest, BadLinesGiveClearErrorsAndChangeNothing) {
    console.execute("create 1k 01020304");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"frobnicate", "unknown command 'frobnicate'"},
        {"present", "usage: present CARD"},
        {"present 7", "no card '7'"},
        {"create 1k XYZ", "a UID is 8 hex digits"},
        {"create 1k 01020304", "exists already"},
        {"create 1k 05060708 256", "the credit is a number from 0 to 255"},
        {"credit 1 -1", "the credit is a number from 0 to 255"},
        {"show 1 16", "sectors 0 to 15"},
        {"noise 0G", "usage: noise HEX"},
        {"revive", "usage: revive CARD"}};
    for (const auto& [line, message] : cases) {
        const ConsoleReply reply = console.execute(line);
        ASSERT_EQ(reply.lines.size(), 1U) << line;
        EXPECT_EQ(reply.lines[0].rfind("error: ", 0), 0U) << line;
        EXPECT_NE(reply.lines[0].find(message), std::string::npos) << reply.lines[0];
    }
    EXPECT_EQ(reader.cards().size(), 1U);
    EXPECT_EQ(reader.cards()[0].card.block(4)[0], 50);
    EXPECT_TRUE(faults.noise.empty());
    EXPECT_FALSE(faults.corruptNextAnswer);
    EXPECT_TRUE(console.execute("   ").lines.empty());
}

TEST_F(ConsoleTest, NoiseQueuesBytesAndQuitEnds) {
    EXPECT_TRUE(anyLineHas(console.execute("noise 00 ff 5A"), "3 byte(s)"));
    EXPECT_EQ(faults.noise, (std::vector<std::uint8_t>{0x00, 0xFF, 0x5A}));
    EXPECT_TRUE(anyLineHas(console.execute("corrupt"), "broken CRC"));
    EXPECT_TRUE(faults.corruptNextAnswer);
    EXPECT_TRUE(console.execute("quit").quit);
    EXPECT_TRUE(console.execute("EXIT").quit);
}

TEST_F(ConsoleTest, ReaderShowsItsState) {
    reader.state().redLed = true;
    reader.state().lastBuzzer = 30;
    reader.state().buzzerCount = 2;
    reader.state().keyStore[1][15] = kDefaultKey;
    const ConsoleReply reply = console.execute("reader");
    EXPECT_TRUE(anyLineHas(reply, "address 0, line speed 9600, serial number 00000001"));
    EXPECT_TRUE(anyLineHas(reply, "red LED on, green LED off, RF on, Wiegand off"));
    EXPECT_TRUE(anyLineHas(reply, "last buzzer 300 ms (2 so far)"));
    EXPECT_TRUE(anyLineHas(reply, "key store A: 0=FFFFFFFFFFFF"));
    EXPECT_TRUE(anyLineHas(reply, "15=7D7D7D7D7D7D"));
}

TEST(StateReport, DescribesEachVisibleChange) {
    ReaderState before;
    ReaderState after = before;
    EXPECT_TRUE(describeChanges(before, after).empty());
    after.greenLed = true;
    after.rfOn = false;
    after.buzzerCount = 1;
    after.lastBuzzer = 5;
    after.serialNumber[7] = 0;
    after.wiegandMode = 1;
    after.wiegandFormat = 3;
    const std::vector<std::string> expected{"event: green LED on", "event: buzzer 50 ms",
                                            "event: RF off", "event: Wiegand on, format 3",
                                            "event: serial number 0000000\\x00"};
    EXPECT_EQ(describeChanges(before, after), expected);
}

TEST(Options, DefaultsToComOneAndUsb) {
    const auto parsed = parseOptions({});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    const auto& options = std::get<Options>(parsed);
    EXPECT_EQ(options.ports, (std::vector<std::string>{"COM1", "USB"}));
    EXPECT_FALSE(options.pace);
    EXPECT_TRUE(options.defaultCard);
}

TEST(Options, ReadsPortsPacingAndFlags) {
    const auto parsed =
        parseOptions({"--port", "COM3", "--pace", "--port", "Reader", "--headless", "--no-card"});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    const auto& options = std::get<Options>(parsed);
    EXPECT_EQ(options.ports, (std::vector<std::string>{"COM3", "Reader"}));
    EXPECT_TRUE(options.pace);
    EXPECT_TRUE(options.headless);
    EXPECT_FALSE(options.defaultCard);
}

TEST(Options, RefusesWhatItDoesNotKnow) {
    EXPECT_TRUE(std::holds_alternative<std::string>(parseOptions({"--port"})));
    EXPECT_TRUE(std::holds_alternative<std::string>(parseOptions({"--port", "../x"})));
    EXPECT_TRUE(std::holds_alternative<std::string>(parseOptions({"--speed"})));
    EXPECT_TRUE(std::get<Options>(parseOptions({"-h"})).help);
}

} // namespace

namespace {

TEST_F(ConsoleTest, FaultVerbsSetTheirFaultAndAreListedInHelp) {
    const ConsoleReply help = console.execute("help");
    for (const char* verb :
         {"drop", "delay", "mute", "wrongspeed", "pull", "tear", "vanish", "faults"}) {
        EXPECT_TRUE(anyLineHas(help, verb)) << verb;
    }
    EXPECT_TRUE(anyLineHas(console.execute("faults"), "no faults pending"));
    console.execute("drop");
    EXPECT_TRUE(faults.dropNextAnswer);
    console.execute("delay 1500");
    EXPECT_EQ(faults.delayNextAnswer, std::chrono::milliseconds{1500});
    console.execute("MUTE on");
    EXPECT_TRUE(faults.mute);
    console.execute("wrongspeed on");
    EXPECT_TRUE(faults.wrongSpeed);
    console.execute("pull");
    EXPECT_TRUE(faults.pullAfterRead);
    console.execute("tear");
    EXPECT_EQ(faults.tearNextWrite, std::optional<std::size_t>{0});
    console.execute("tear 2");
    EXPECT_EQ(faults.tearNextWrite, std::optional<std::size_t>{2});
    EXPECT_EQ(console.execute("faults").lines.size(), 6U);

    bool vanished = false;
    faults.vanish = [&vanished] {
        vanished = true;
    };
    EXPECT_TRUE(anyLineHas(console.execute("faults clear"), "cleared"));
    EXPECT_FALSE(faults.dropNextAnswer || faults.mute || faults.wrongSpeed ||
                 faults.pullAfterRead || faults.tearNextWrite);
    EXPECT_EQ(faults.delayNextAnswer.count(), 0);
    console.execute("vanish");
    EXPECT_TRUE(vanished); // the line's host keeps its hook through a clear
}

TEST_F(ConsoleTest, FaultVerbsRefuseWhatMakesNoSense) {
    for (const auto& [line, message] : std::vector<std::pair<const char*, const char*>>{
             {"drop 2", "usage: drop"},
             {"delay", "usage: delay MS"},
             {"delay 0", "usage: delay MS"},
             {"delay 60001", "usage: delay MS"},
             {"mute", "usage: mute on|off"},
             {"wrongspeed maybe", "usage: wrongspeed on|off"},
             {"pull 1", "usage: pull"},
             {"tear 4", "usage: tear [BLOCKS]"},
             {"tear x", "usage: tear [BLOCKS]"},
             {"vanish", "no line to close"},
             {"faults all", "usage: faults"}}) {
        EXPECT_TRUE(anyLineHas(console.execute(line), message)) << line;
    }
    EXPECT_FALSE(faults.dropNextAnswer || faults.mute || faults.pullAfterRead ||
                 faults.tearNextWrite);
}

} // namespace
