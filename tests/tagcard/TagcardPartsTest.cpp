// tagcard's pure parts: what a user types, the card's layout, what it prints, the question on
// the terminal and the files it reads and writes.
#include "tagcard/Arguments.h"
#include "tagcard/CardLayout.h"
#include "tagcard/DumpFile.h"
#include "tagcard/Question.h"
#include "tagcard/Report.h"

#include "e2e/TempFolder.h"

#include <MF_API.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

namespace {

using namespace std::chrono_literals;
using namespace tagcard;
namespace fs = std::filesystem;

/// The message of a refusal, or "" for a value.
template <typename T> std::string refusal(const Parsed<T>& parsed) {
    const auto* problem = std::get_if<std::string>(&parsed);
    return problem ? *problem : "";
}

Key keyOf(std::uint8_t byte) {
    Key key{};
    key.fill(byte);
    return key;
}

TEST(TagcardArguments, EachTextIsReadOrRefusedSayingWhy) {
    // Each text with the start of its refusal, or "" where it is accepted.
    const std::vector<std::pair<std::string, std::string>> keys{
        {"B:7D7D7D7D7D7D", ""},
        {"a:ffffffffffff", ""},
        {"C:7D7D7D7D7D7D", "a key is A:HEX12 or B:HEX12"},
        {"B7D7D7D7D7D7D", "a key is A:HEX12 or B:HEX12"},
        {"B:7D7D", "a key is 12 hex digits, not 4"},
        {"B:7D7D7D7D7DXD", "'X' at position 11"},
    };
    for (const auto& [text, expected] : keys) {
        const std::string said = refusal(parseKey(text));
        EXPECT_TRUE(expected.empty() ? said.empty() : said.find(expected) != std::string::npos)
            << text << ": " << said;
    }
    EXPECT_EQ(std::get<SectorKey>(parseKey("a:ffffffffffff")), (SectorKey{MF_KEY_A, keyOf(0xFF)}));
    EXPECT_EQ(panelKey(), (SectorKey{MF_KEY_B, keyOf(0x7D)}));

    EXPECT_EQ(std::get<NewKeys>(parseNewKeys("B:111111111111,A:222222222222")),
              (NewKeys{keyOf(0x22), keyOf(0x11)}));
    for (const std::string bad :
         {"A:111111111111", "A:111111111111,A:222222222222", "A:111111111111,B:22"}) {
        EXPECT_NE(refusal(parseNewKeys(bad)), "") << bad;
    }

    const auto list = parseKeyList("# keys\r\n\n  FFFFFFFFFFFF \r\n7d7d7d7d7d7d\n");
    EXPECT_EQ(std::get<std::vector<Key>>(list), (std::vector<Key>{keyOf(0xFF), keyOf(0x7D)}));
    EXPECT_EQ(refusal(parseKeyList("FFFFFFFFFFFF\n\nFFFF\n")).rfind("line 3: ", 0), 0U);
    EXPECT_NE(refusal(parseKeyList("# only a comment\n")), "");

    EXPECT_EQ(std::get<Block>(parseBlockHex("000102030405060708090a0B0c0D0e0F"))[15], 0x0F);
    EXPECT_NE(refusal(parseBlockHex("0001")).find("32 hex digits, not 4"), std::string::npos);
    EXPECT_NE(refusal(parseBlockHex("00010203040506070809-A0B0C0D0E0F")).find("position 21"),
              std::string::npos);

    EXPECT_EQ(std::get<int>(parseNumber("255", 0, 255, "BLOCK")), 255);
    EXPECT_EQ(refusal(parseNumber("256", 0, 255, "BLOCK")), "BLOCK 256 is out of range: 0 to 255");
    for (const std::string bad : {"", "4x", "-", " 4", "99999999999"}) {
        EXPECT_NE(refusal(parseNumber(bad, 0, 255, "BLOCK")), "") << bad;
    }
    EXPECT_EQ(hexText(std::vector<std::uint8_t>{0x0A, 0x1B, 0x00}), "0A1B00");
}

TEST(TagcardCardLayout, SectorsTrailersAndAccessBits) {
    struct Case {
        int block, sector;
        bool trailer;
    };
    for (const Case c :
         {Case{0, 0, false}, Case{3, 0, true}, Case{4, 1, false}, Case{127, 31, true},
          Case{128, 32, false}, Case{143, 32, true}, Case{255, 39, true}}) {
        EXPECT_EQ(sectorOf(c.block), c.sector) << c.block;
        EXPECT_EQ(isTrailer(c.block), c.trailer) << c.block;
        EXPECT_EQ(trailerOf(c.sector) >= c.block && firstBlockOf(c.sector) <= c.block, true);
    }
    EXPECT_EQ(blockCount(CardKind::Classic4K), firstBlockOf(sectorCount(CardKind::Classic4K)));
    EXPECT_EQ(blockCount(CardKind::Classic1K), firstBlockOf(sectorCount(CardKind::Classic1K)));
    EXPECT_EQ(cardKindOf({0x04, 0x00, 0x08}), CardKind::Classic1K);
    EXPECT_EQ(cardKindOf({0x02, 0x00, 0x18}), CardKind::Classic4K);
    EXPECT_EQ(cardKindOf({0x44, 0x00, 0x00}), std::nullopt);

    Block trailer{};
    const std::array<std::uint8_t, 4> access{0x7F, 0x07, 0x88, 0x69};
    std::copy(access.begin(), access.end(), trailer.begin() + 6);
    EXPECT_TRUE(accessBitsConsistent(trailer));
    for (const std::size_t at : {6U, 7U, 8U}) {
        Block broken = trailer;
        broken[at] ^= 0x10;
        EXPECT_FALSE(accessBitsConsistent(broken)) << at;
    }
    putKeys(trailer, keyOf(0xA1), std::nullopt);
    EXPECT_EQ(hexText(trailer), "A1A1A1A1A1A17F078869000000000000");
    putKeys(trailer, std::nullopt, keyOf(0xB2));
    EXPECT_EQ(hexText(trailer), "A1A1A1A1A1A17F078869B2B2B2B2B2B2");
}

TEST(TagcardReport, JsonLinesCarryTheStatusAndItsMeaning) {
    EXPECT_EQ(jsonLine("credit", Json{{"uid", "A1B2C3D4"}, {"credit", 50}}, 0),
              R"({"command":"credit","uid":"A1B2C3D4","credit":50,"status":0,"meaning":"OK"})");
    EXPECT_EQ(failureJsonLine("read", "cannot read", 3, MF_ERR_AUTH_FAILED),
              R"({"command":"read","error":"cannot read","exit":3,"status":3,)"
              R"("meaning":"authentication failed"})");
    EXPECT_EQ(failureJsonLine("dump", "bad\xff name", 1, std::nullopt),
              "{\"command\":\"dump\",\"error\":\"bad\xEF\xBF\xBD name\",\"exit\":1,"
              "\"status\":null,\"meaning\":null}");
    EXPECT_EQ(failureText("no card\x1B[2J", MF_ERR_NO_CARD), "no card\\x1B[2J (1 no card)");

    std::ostringstream out;
    std::ostringstream err;
    Report people(false, out, err);
    people.result("read", "00\n\x07", Json{});
    EXPECT_EQ(people.failure("read", "refused", ExitCode::Usage), 1);
    EXPECT_EQ(people.failed("read", "gone", MF_ERR_CARD_NO_ANSWER), 2);
    EXPECT_EQ(out.str(), "00\n\\x07\n");
    EXPECT_EQ(err.str(), "tagcard read: refused\ntagcard read: gone (2 card no longer answers)\n");
}

TEST(TagcardQuestion, YesOnlyForYAndYesNoOnAnythingElseOrNothing) {
    const InterruptSignals interrupts;
    const auto ask = [&](const std::string& typed, bool close,
                         std::chrono::milliseconds patience = 10s) {
        int answer[2];
        int question[2];
        EXPECT_EQ(::pipe(answer), 0);
        EXPECT_EQ(::pipe(question), 0);
        EXPECT_EQ(::write(answer[1], typed.data(), typed.size()),
                  static_cast<ssize_t>(typed.size()));
        if (close) {
            ::close(answer[1]);
        }
        const Answer said =
            askYesNo(answer[0], question[1], "Take 10? [y/N] ", patience, interrupts);
        std::array<char, 32> shown{};
        EXPECT_GE(::read(question[0], shown.data(), shown.size()), 15);
        EXPECT_EQ(std::string(shown.data(), 15), "Take 10? [y/N] ");
        for (const int fd : {answer[0], question[0], question[1]}) {
            ::close(fd);
        }
        if (!close) {
            ::close(answer[1]);
        }
        return said;
    };
    EXPECT_EQ(ask("y\n", false), Answer::Yes);
    EXPECT_EQ(ask("YES \r\n", false), Answer::Yes);
    EXPECT_EQ(ask("yes please\n", false), Answer::No);
    EXPECT_EQ(ask("\n", false), Answer::No);
    EXPECT_EQ(ask("y", true), Answer::No); // the end of input, no line
    EXPECT_EQ(ask(std::string(300, 'y') + "\n", false), Answer::No);
    EXPECT_EQ(ask("", false, 0ms), Answer::NoAnswerInTime);
    ASSERT_EQ(::raise(SIGINT), 0);
    EXPECT_EQ(interrupts.caught(), SIGINT);
    EXPECT_EQ(ask("y\n", false), Answer::Interrupted);
    EXPECT_FALSE(interrupts.pause(10s));
}

TEST(TagcardFiles, OnlyRegularFilesAreReadAndADumpReplacesOneWhole) {
    const testing_support::TempFolder folder;
    const fs::path dump = folder.path() / "card.mfd";
    const fs::path link = folder.path() / "link.mfd";
    const fs::path fifo = folder.path() / "fifo.mfd";
    std::ofstream(dump, std::ios::binary) << std::string(1024, 'x');
    std::ofstream(folder.path() / "short.mfd", std::ios::binary) << std::string(1025, 'x');
    fs::create_symlink(dump, link);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const std::vector<std::pair<fs::path, std::string>> refused{
        {link, "is a symbolic link"},
        {fifo, "is a FIFO"},
        {"/dev/zero", "is a device"},
        {folder.path(), "is a folder"},
        {folder.path() / "missing.mfd", "No such file"},
        {folder.path() / "short.mfd", "holds 1025 bytes"},
    };
    for (const auto& [path, why] : refused) {
        const auto read = readRawDump(path);
        ASSERT_TRUE(std::holds_alternative<std::string>(read)) << path;
        EXPECT_NE(std::get<std::string>(read).find(why), std::string::npos)
            << std::get<std::string>(read);
    }
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(readRawDump(dump)).size(), 1024U);
    EXPECT_NE(refusal(loadKeyList(folder.path() / "missing.keys")).find("No such file"),
              std::string::npos);

    for (const fs::path& target : {link, fifo, fs::path("/dev/null"), folder.path() / "."}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(DumpTarget::judge(target))) << target;
    }
    EXPECT_TRUE(fs::is_symlink(link));
    auto target = DumpTarget::judge(dump);
    ASSERT_TRUE(std::holds_alternative<DumpTarget>(target));
    EXPECT_EQ(std::get<DumpTarget>(target).write(std::vector<std::uint8_t>(4096, 0x42)),
              std::nullopt);
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(readRawDump(dump)),
              std::vector<std::uint8_t>(4096, 0x42));
    EXPECT_EQ(fs::status(dump).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 4)
        << "no temporary file left";
}

} // namespace
