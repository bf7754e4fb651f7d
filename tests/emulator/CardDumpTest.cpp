#include "emulator/dumps/CardDump.h"

#include "e2e/TempFolder.h"
#include "emulator/model/HexText.h"
#include "emulator/state/FileDescriptor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <future>
#include <random>
#include <sstream>

namespace {

using namespace kov450;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string contentsOf(const fs::path& path) {
    std::ifstream input(path, std::ios::binary);
    std::ostringstream text;
    text << input.rdbuf();
    return text.str();
}

/// A dump as a reading tool leaves it: block 0 with UID, BCC and manufacturer bytes, random
/// data, and trailers holding key A, access bits and key B (the keys the tool used).
std::string toolDump(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFFU);
    }
    const std::string block0("\x11\x22\x33\x44\x44\x08\x04\x00\x62\x63\x64\x65\x66\x67\x68\x69",
                             16);
    bytes.replace(0, 16, block0);
    const std::string trailer("\xA0\xA1\xA2\xA3\xA4\xA5\xFF\x07\x80\x69\xB0\xB1\xB2\xB3\xB4\xB5",
                              16);
    for (std::size_t block = 0; block < size / 16; ++block) {
        if (isTrailer(block)) {
            bytes.replace(block * 16, 16, trailer);
        }
    }
    return bytes;
}

class CardDump : public ::testing::TestWithParam<std::size_t> {
protected:
    testing_support::TempFolder folder;
};

TEST_P(CardDump, RawDumpsRoundTripByteForByte) {
    const std::string original = toolDump(GetParam(), 1);
    const fs::path source = folder.path() / "from-tool.mfd";
    std::ofstream(source, std::ios::binary) << original;
    const auto card = readCardDump(source);
    ASSERT_TRUE(std::holds_alternative<MifareClassic>(card)) << std::get<std::string>(card);
    EXPECT_EQ(std::get<MifareClassic>(card).uid(), (Uid{0x11, 0x22, 0x33, 0x44}));
    for (const char* name : {"again.mfd", "again.bin", "again.dump", "no-extension"}) {
        ASSERT_EQ(writeCardDump(std::get<MifareClassic>(card), folder.path() / name), std::nullopt);
        EXPECT_EQ(contentsOf(folder.path() / name), original) << name;
    }
}

TEST_P(CardDump, EmlDumpsRoundTripAndMatchTheRawBytes) {
    const std::string raw = toolDump(GetParam(), 2);
    const auto card = cardFromDump(raw, DumpFormat::Raw);
    ASSERT_TRUE(std::holds_alternative<MifareClassic>(card));
    const fs::path eml = folder.path() / "card.eml";
    ASSERT_EQ(writeCardDump(std::get<MifareClassic>(card), eml), std::nullopt);
    const std::string text = contentsOf(eml);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(GetParam() / 16));
    EXPECT_EQ(text.find('\n'), 32U);
    EXPECT_EQ(text.substr(0, 32), "1122334444080400626364656667686"
                                  "9");

    const auto back = readCardDump(eml);
    ASSERT_TRUE(std::holds_alternative<MifareClassic>(back)) << std::get<std::string>(back);
    const std::vector<std::uint8_t> memory = std::get<MifareClassic>(back).dump();
    EXPECT_EQ(std::string(memory.begin(), memory.end()), raw);
    ASSERT_EQ(writeCardDump(std::get<MifareClassic>(back), folder.path() / "again.eml"),
              std::nullopt);
    EXPECT_EQ(contentsOf(folder.path() / "again.eml"), text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CardDump, ::testing::Values(1024U, 4096U));

TEST(CardDumpText, AcceptsLowerCaseAndWindowsLineEnds) {
    std::string text;
    for (int block = 0; block < 64; ++block) {
        text += std::string(32, block == 0 ? 'a' : '0') + "\r\n";
    }
    const auto card = cardFromDump(text, std::nullopt);
    ASSERT_TRUE(std::holds_alternative<MifareClassic>(card)) << std::get<std::string>(card);
    EXPECT_EQ(std::get<MifareClassic>(card).kind(), CardKind::Classic1K);
    EXPECT_EQ(std::get<MifareClassic>(card).block(0)[0], 0xAA);
}

TEST(CardDumpText, SaysWhatIsWrong) {
    const auto problem = [](std::string_view contents, std::optional<DumpFormat> format) {
        const auto card = cardFromDump(contents, format);
        return std::holds_alternative<std::string>(card) ? std::get<std::string>(card) : "";
    };
    EXPECT_EQ(problem(std::string(1000, '\0'), DumpFormat::Raw),
              "a raw dump holds 1024 (1K) or 4096 (4K) bytes, not 1000");
    std::string shortText;
    for (int block = 0; block < 63; ++block) {
        shortText += std::string(32, '0') + "\n";
    }
    EXPECT_EQ(problem(shortText, DumpFormat::Eml),
              "an .eml dump has 64 (1K) or 256 (4K) blocks, not 63");
    EXPECT_EQ(problem("0011\n", DumpFormat::Eml), "line 1 is not a block of 32 hex digits");
    EXPECT_EQ(problem(std::string(32, 'g'), std::nullopt),
              "line 1 is not a block of 32 hex digits");
    EXPECT_TRUE(std::holds_alternative<std::string>(readCardDump("/nonexistent/folder/card.mfd")));
}

TEST(CardDumpFiles, AreReadableByTheUserAloneWhateverTheFormat) {
    // A dump holds the card's keys A and B.
    testing_support::TempFolder folder;
    const MifareClassic card = MifareClassic::makeDefault(CardKind::Classic1K, {1, 2, 3, 4}, 9);
    std::ofstream(folder.path() / "was-public.eml") << "old";
    fs::permissions(folder.path() / "was-public.eml",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read);
    for (const char* name : {"card.mfd", "card.bin", "card.eml", "was-public.eml"}) {
        ASSERT_EQ(writeCardDump(card, folder.path() / name), std::nullopt) << name;
        EXPECT_EQ(static_cast<unsigned>(fs::status(folder.path() / name).permissions()), 0600U)
            << name;
    }
}

TEST(CardDumpFiles, OnlyARegularFileNoBiggerThanADumpIsRead) {
    testing_support::TempFolder folder;
    // A FIFO without a writer would hold the reader's thread until one came.
    const fs::path fifo = folder.path() / "fifo.mfd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] { return readCardDump(fifo); });
    const bool returned = reading.wait_for(2s) == std::future_status::ready;
    if (!returned) {
        // Lets the blocked open through, so that the test can end.
        const kov450::FileDescriptor writer(::open(fifo.c_str(), O_WRONLY | O_CLOEXEC));
    }
    const auto fromFifo = reading.get();
    ASSERT_TRUE(returned) << "reading a FIFO waited for a writer";
    const auto problem = [](const std::variant<MifareClassic, std::string>& read) {
        return std::holds_alternative<std::string>(read) ? std::get<std::string>(read) : "a card";
    };
    EXPECT_EQ(problem(fromFifo), fifo.string() + " is not a regular file");
    // A device that never ends, and a folder.
    EXPECT_EQ(problem(readCardDump("/dev/zero")), "/dev/zero is not a regular file");
    EXPECT_EQ(problem(readCardDump(folder.path())),
              folder.path().string() + " is not a regular file");

    // The longest dump: a 4K card as text with Windows line ends. One byte more is no dump.
    std::string longest;
    for (std::size_t block = 0; block < 256; ++block) {
        longest +=
            hexText(MifareClassic::makeDefault(CardKind::Classic4K, {1, 2, 3, 4}, 9).block(block)) +
            "\r\n";
    }
    ASSERT_EQ(longest.size(), kLongestDumpFile);
    std::ofstream(folder.path() / "4k.eml", std::ios::binary) << longest;
    EXPECT_EQ(problem(readCardDump(folder.path() / "4k.eml")), "a card");
    std::ofstream(folder.path() / "longer.eml", std::ios::binary) << longest << "\n";
    EXPECT_EQ(problem(readCardDump(folder.path() / "longer.eml")),
              (folder.path() / "longer.eml").string() +
                  " holds 8705 bytes; a card dump holds at most 8704");
}

TEST(CardDumpFormat, FollowsTheFileName) {
    EXPECT_EQ(dumpFormatOf("a/card.EML"), DumpFormat::Eml);
    EXPECT_EQ(dumpFormatOf("card.mfd"), DumpFormat::Raw);
    EXPECT_EQ(dumpFormatOf("card.bin"), DumpFormat::Raw);
    EXPECT_EQ(dumpFormatOf("card.txt"), std::nullopt);
}

} // namespace
