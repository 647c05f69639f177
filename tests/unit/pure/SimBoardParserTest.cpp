// The board file reader: its lexical rules, every directive, the refusal of a board
// with an error (naming file and line), and the sample boards that ship.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/BoardParser.h"
#include "sim/TextSyntax.h"
#include "tests/helpers/SimTestFiles.h"

using sim::Board;
using sim::BoardItem;
using sim::ParseBoard;
using testing::ElementsAre;
using testing::Pair;

namespace {

Board Parse(const std::string& text) {
    std::string error;
    std::optional<Board> board = ParseBoard(text, "board.txt", &error);
    EXPECT_TRUE(board.has_value()) << error;
    return board ? std::move(*board) : Board{};
}

std::string ErrorOf(const std::string& text) {
    std::string error;
    const std::optional<Board> board = ParseBoard(text, "board.txt", &error);
    EXPECT_FALSE(board.has_value()) << "accepted: " << text;
    return error;
}

}  // namespace

TEST(SimTextSyntax, Numbers) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t value;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"4294967295", true, 0xFFFFFFFF},
        {"4294967296", false, 0},
        {"0x0", true, 0},
        {"0x030600F0", true, 0x030600F0},
        {"0X00ffff38", true, 0x00FFFF38},
        {"0xFFFFFFFF", true, 0xFFFFFFFF},
        {"0x000000000001", true, 1},  // leading zeros do not count against the width
        {"0x100000000", false, 0},
        {"-1", true, 0xFFFFFFFF},
        {"-200", true, 0xFFFFFF38},
        {"-2147483648", true, 0x80000000},
        {"-2147483649", false, 0},
        {"-0x1", false, 0},
        {"0x", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"12x", false, 0},
        {"1.5", false, 0},
        {"+3", false, 0},
        {"0xG1", false, 0},
    };
    for (const Case& c : cases) {
        uint32_t v = 0xDEADBEEF;
        EXPECT_EQ(c.ok, sim::syntax::ParseNumber(c.text, &v)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.value, v) << c.text;
        }
    }
}

TEST(SimTextSyntax, TokensKeepTextsWholeAndStopAtComments) {
    std::vector<std::string_view> tokens;
    std::string error;
    ASSERT_TRUE(sim::syntax::SplitTokens("  item\t0x1  texts=\"a b\",\"#c\"  # comment \"x", &tokens, &error));
    EXPECT_THAT(tokens, ElementsAre("item", "0x1", "texts=\"a b\",\"#c\""));

    ASSERT_TRUE(sim::syntax::SplitTokens("# only a comment", &tokens, &error));
    EXPECT_TRUE(tokens.empty());
    // A comment may follow a token directly.
    ASSERT_TRUE(sim::syntax::SplitTokens("info 1#2", &tokens, &error));
    EXPECT_THAT(tokens, ElementsAre("info", "1"));

    EXPECT_FALSE(sim::syntax::SplitTokens("item 1 2 texts=\"open", &tokens, &error));
    EXPECT_EQ("text without its closing quote", error);
}

TEST(SimBoardParser, EveryDirective) {
    const Board board = Parse(R"(# header comment

info 0x00000001 2 3 0x03000000
item 0x03010011 5 attr=0x40000000 reported=7 base=10000 step=1 count=3001
item 0x03820021 0 base=0x00FFFF38 step=5 count=81 extra="Auto","Off line"
item 0x03080031 2 texts="Standard","Optimized","Extreme"
item 0x03070030 1
item 0x03000013 0 count=43 percore=28,29,30,31 noread nowrite
block 0x05080002 0 0 0x03010011 300 0xFFFFFFFF
block 0x05080002 1
fail group 3
fail group 0x0B
dormix supported=0 level=4 button=3,0x80000000 pacely=1 hushly=1 ventix3=1 item=0x0B060002:1 item=0x0E0A0014:0,0x0E0A0016:255
scheme 381b4222-f694-41f0-9685-ff5bb260df2e 3
scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} 1 active
)");
    ASSERT_TRUE(board.info.has_value());
    EXPECT_THAT(*board.info, ElementsAre(1u, 2u, 3u, 0x03000000u));

    ASSERT_EQ(5u, board.items.size());
    const BoardItem& bclk = board.items[0];
    EXPECT_EQ(0x03010011u, bclk.id);
    EXPECT_EQ(5u, bclk.value);
    EXPECT_EQ(0x40000000u, bclk.attr);
    EXPECT_EQ(7u, bclk.reported);
    EXPECT_EQ(10000u, bclk.base);
    EXPECT_EQ(1u, bclk.step);
    EXPECT_EQ(3001u, bclk.count);
    EXPECT_EQ(4, bclk.line);
    EXPECT_FALSE(bclk.noread || bclk.nowrite || bclk.IsPerCore());

    EXPECT_EQ(0x00FFFF38u, board.items[1].base);
    EXPECT_THAT(board.items[1].extra, ElementsAre("Auto", "Off line"));
    EXPECT_EQ(sim::ItemKind::TextList, board.items[2].Kind());
    EXPECT_THAT(board.items[2].texts, ElementsAre("Standard", "Optimized", "Extreme"));
    EXPECT_EQ(sim::ItemKind::Boolean, board.items[3].Kind());
    EXPECT_THAT(board.items[4].percore, ElementsAre(28u, 29u, 30u, 31u));
    EXPECT_TRUE(board.items[4].noread);
    EXPECT_TRUE(board.items[4].nowrite);

    EXPECT_THAT(board.blocks, ElementsAre(Pair(Pair(0x05080002u, 0u), ElementsAre(0u, 0x03010011u, 300u, 0xFFFFFFFFu)),
                                          Pair(Pair(0x05080002u, 1u), ElementsAre())));
    EXPECT_THAT(board.failGroups, ElementsAre(3u, 0x0Bu));

    ASSERT_TRUE(board.dormix.has_value());
    EXPECT_FALSE(board.dormix->supported);
    EXPECT_EQ(4u, board.dormix->level);
    EXPECT_EQ(3u, board.dormix->buttonAction);
    EXPECT_EQ(0x80000000u, board.dormix->buttonEvent);
    EXPECT_TRUE(board.dormix->pacely && board.dormix->hushly && board.dormix->ventix3);
    EXPECT_THAT(board.dormix->items,
                ElementsAre(Pair(0x0B060002u, 1u), Pair(0x0E0A0014u, 0u), Pair(0x0E0A0016u, 255u)));

    ASSERT_EQ(2u, board.schemes.size());
    EXPECT_EQ("{381B4222-F694-41F0-9685-FF5BB260DF2E}", board.schemes[0].guid);
    EXPECT_EQ(3u, board.schemes[0].acIndex);
    EXPECT_FALSE(board.schemes[0].active);
    EXPECT_TRUE(board.schemes[1].active);
    EXPECT_EQ(board.FindScheme("{8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c}"), board.ActiveScheme());
}

TEST(SimBoardParser, DefaultsAndOptionalParts) {
    const Board board = Parse("item 0x03000013 0\r\nscheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 0\r\ndormix\r\n");
    const BoardItem& item = board.items.at(0);
    EXPECT_EQ(0u, item.attr);
    EXPECT_EQ(0u, item.reported);
    EXPECT_EQ(0u, item.count);
    EXPECT_TRUE(item.extra.empty());
    EXPECT_FALSE(board.info.has_value());
    // Without a mark the first scheme is the active one.
    EXPECT_TRUE(board.schemes.at(0).active);
    // A bare dormix line: the feature is there, at level 0, nothing else present.
    ASSERT_TRUE(board.dormix.has_value());
    EXPECT_TRUE(board.dormix->supported);
    EXPECT_FALSE(board.dormix->pacely || board.dormix->hushly || board.dormix->ventix3);

    const Board nothing = Parse("");
    EXPECT_TRUE(nothing.items.empty());
    EXPECT_FALSE(nothing.dormix.has_value());
}

// Each error names the file and the line, after blank and comment lines that count too.
TEST(SimBoardParser, ErrorsNameFileAndLine) {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"itme 0x03000013 0", "unknown directive \"itme\""},
        {"\"item\" 1 2", "unknown directive \"\"item\"\""},
        {"item 0x03000013", "\"item\" needs an ID and a VALUE"},
        {"item 0x0300001G 0", "bad number \"0x0300001G\""},
        {"item 0x03000013 0 count=4x", "bad number \"4x\""},
        {"item 0x03000013 0 colour=3", "unknown option \"colour\""},
        {"item 0x03000013 0 noread=1", "option \"noread\" takes no value"},
        {"item 0x03000013 0 count=3 count=4", "option \"count\" is given twice"},
        {"item 0x03080031 0 count=3 texts=\"a\"", "option \"count\" does not fit the text-list item 0x03080031"},
        {"item 0x03070030 0 extra=\"a\"", "option \"extra\" does not fit the boolean item 0x03070030"},
        {"item 0x03000013 0 texts=\"a\"", "option \"texts\" does not fit the number item 0x03000013"},
        {"item 0x03080031 0 texts=a,b", "bad text list \"a,b\""},
        {"item 0x03080031 0", "the text-list item 0x03080031 has no texts"},
        {"item 0x03000013 0 percore=1,,2", "bad per-core list \"1,,2\""},
        {"item 0x03000013 9 count=9", "value 9 is out of range for item 0x03000013"},
        {"item 0x03000013 0 count=2 extra=\"Auto\" percore=0,3",
         "per-core value 3 is out of range for item 0x03000013"},
        {"item 0x03070030 2", "value 2 is out of range for item 0x03070030"},
        {"item 0x030600F0 0 count=4 percore=0,1", "the core selector 0x030600F0 cannot have per-core values"},
        {"item 0x030600F0 4 count=4", "value 4 is out of range for item 0x030600F0"},
        {"info 1 2 x", "bad number \"x\""},
        {"block 0x05080002", "\"block\" needs an ID and an INDEX"},
        {"fail 3", "\"fail\" takes the form \"fail group G\""},
        {"fail groups 3", "\"fail\" takes the form \"fail group G\""},
        {"dormix level=x", "bad number \"x\""},
        {"dormix supported=2", "option \"supported\" takes 0 or 1, not \"2\""},
        {"dormix button=1", "\"button\" takes ACTION,EVENT, not \"1\""},
        {"dormix item=0x0B060002", "\"item\" takes ID:VALUE, not \"0x0B060002\""},
        {"dormix item=1:2,1:3", "dormix item 0x00000001 is given twice"},
        {"dormix level=1 level=2", "option \"level\" is given twice"},
        {"scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 1 on",
         "\"scheme\" takes the form \"scheme GUID AC_INDEX [active]\""},
        {"scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 5",
         "power-button action 5 of scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} is not one of Windows 10.0 (0 to 4)"},
        {"windows 10", "\"windows\" takes 6.0 to 6.3 or 10.0 (Windows 11 is 10.0)"},
        {"windows 11.0", "\"windows\" takes 6.0 to 6.3 or 10.0 (Windows 11 is 10.0)"},
        {"windows 6.4", "\"windows\" takes 6.0 to 6.3 or 10.0 (Windows 11 is 10.0)"},
        {"windows 5.1", "\"windows\" takes 6.0 to 6.3 or 10.0 (Windows 11 is 10.0)"},
        {"windows 0x6.1", "\"windows\" takes 6.0 to 6.3 or 10.0 (Windows 11 is 10.0)"},
        {"windows 6.1 active", "\"windows\" takes 6.0 to 6.3 or 10.0 (Windows 11 is 10.0)"},
        {"power", "\"power\" takes the form \"power source=ac|battery [mode=N]\""},
        {"power mode=5", "\"power\" takes the form \"power source=ac|battery [mode=N]\""},
        {"power source=mains", "\"source\" takes ac or battery, not \"mains\""},
        {"power source=ac mode=7", "power mode 7 is not one of 0 to 6"},
        {"power source=ac mode=x", "bad number \"x\""},
        {"power source=ac source=battery", "option \"source\" is given twice"},
        {"power source=ac battery", "unknown option \"battery\""},
        {"power source=ac level=1", "unknown option \"level\""},
        {"scheme 381B4222-F694-41F0-9685 1", "bad GUID \"381B4222-F694-41F0-9685\""},
        {"scheme {381B4222-F694-41F0-9685-FF5BB260DF2X} 1", "bad GUID \"{381B4222-F694-41F0-9685-FF5BB260DF2X}\""},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("# a board\n\nitem 0x03000098 0\n") + c.line + "\nitem 0x03000099 0\n";
        EXPECT_EQ(std::string("board.txt:4: ") + c.message, ErrorOf(text)) << c.line;
    }
}

TEST(SimBoardParser, ErrorsThatNeedAnEarlierLine) {
    std::string error;
    EXPECT_FALSE(ParseBoard("item 0x03000013 0\n\nitem 0x03000013 1\n", "b.txt", &error));
    EXPECT_EQ("b.txt:3: item 0x03000013 is already listed on line 1", error);
    EXPECT_EQ("board.txt:2: a second \"info\" line", ErrorOf("info 1\ninfo 2\n"));
    EXPECT_EQ("board.txt:2: a second \"dormix\" line", ErrorOf("dormix\ndormix level=1\n"));
    EXPECT_EQ("board.txt:2: block 0x05080002 0 is listed twice",
              ErrorOf("block 0x05080002 0 1\nblock 0x05080002 0x0 2\n"));
    EXPECT_EQ("board.txt:2: scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} is listed twice",
              ErrorOf("scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 1\n"
                      "scheme 381b4222-f694-41f0-9685-ff5bb260df2e 2\n"));
    EXPECT_EQ("board.txt:2: a second active scheme",
              ErrorOf("scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 1 active\n"
                      "scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} 1 active\n"));
    EXPECT_EQ("board.txt:2: a second \"windows\" line", ErrorOf("windows 6.1\nwindows 10.0\n"));
    EXPECT_EQ("board.txt:2: a second \"power\" line", ErrorOf("power source=ac\npower source=battery\n"));
    // The version may come after the schemes; the error names the scheme's line.
    EXPECT_EQ(
        "board.txt:2: power-button action 4 of scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} is not one of Windows "
        "6.1 (0 to 3)",
        ErrorOf("scheme {381B4222-F694-41F0-9685-FF5BB260DF2E} 3\n"
                "scheme {8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C} 4\n"
                "windows 6.1\n"));
}

// The Windows version sets the power-button actions the schemes take: 0 to 3 on every
// 6.x, 0 to 4 on 10.0 (also when no line names it); the power line a laptop.
TEST(SimBoardParser, WindowsAndPowerLines) {
    const struct {
        const char* text;
        uint32_t major, minor, maxAction;
        bool power;
        sim::PowerSource source;
        uint32_t mode;
    } cases[] = {
        {"", 10, 0, 4, false, sim::PowerSource::Ac, 2},
        {"windows 6.0", 6, 0, 3, false, sim::PowerSource::Ac, 2},
        {"windows 6.1\npower source=battery", 6, 1, 3, true, sim::PowerSource::Battery, 2},
        {"windows 6.3\npower mode=0 source=ac", 6, 3, 3, true, sim::PowerSource::Ac, 0},
        {"power source=ac mode=5\nwindows 10.0", 10, 0, 4, true, sim::PowerSource::Ac, 5},
        {"power source=battery mode=0x6", 10, 0, 4, true, sim::PowerSource::Battery, 6},
    };
    for (const auto& c : cases) {
        const Board board = Parse(c.text);
        EXPECT_EQ(c.major, board.Windows().major) << c.text;
        EXPECT_EQ(c.minor, board.Windows().minor) << c.text;
        EXPECT_EQ(c.maxAction, board.Windows().MaxButtonAction()) << c.text;
        EXPECT_TRUE(board.AcceptsButtonAction(c.maxAction)) << c.text;
        EXPECT_FALSE(board.AcceptsButtonAction(c.maxAction + 1)) << c.text;
        ASSERT_EQ(c.power, board.power.has_value()) << c.text;
        if (c.power) {
            EXPECT_EQ(c.source, board.power->source) << c.text;
            EXPECT_EQ(c.mode, board.power->mode) << c.text;
        }
    }
}

// Whatever bytes a damaged file holds, the reader answers with one printable line.
TEST(SimBoardParser, BinaryJunkGivesAPrintableLine) {
    std::string junk = "info 1\n";
    junk += std::string("\x01\x02\xff\x7f item", 9);
    const std::string error = ErrorOf(junk);
    EXPECT_EQ("board.txt:2: unknown directive \"????\"", error);
}

// A package's texts end at their first zero byte; a board text holding one would reach
// the item model cut short.
TEST(SimBoardParser, TextsHoldNoZeroByte) {
    using namespace std::string_literals;
    const struct {
        std::string line;
        const char* message;
    } cases[] = {
        {"item 0x03080031 0 texts=\"a\",\"b\0c\""s, "bad text list \"\"a\",\"b?c\"\""},
        {"item 0x03800012 0 count=2 extra=\"\0\""s, "bad text list \"\"?\"\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string("board.txt:1: ") + c.message, ErrorOf(c.line + "\n"));
    }
}

// The boards that ship are read by the very code the stand-ins use.
TEST(SimSampleBoards, AllParse) {
    for (const char* name : {"full.txt", "empty.txt", "old-interface.txt", "ixtu-priority.txt"}) {
        const std::optional<std::string> text = simtest::ReadFile(simtest::SampleBoard(name));
        ASSERT_TRUE(text.has_value()) << simtest::SampleBoard(name);
        std::string error;
        EXPECT_TRUE(ParseBoard(*text, name, &error).has_value()) << error;
    }
}

namespace {

Board Sample(const char* name) {
    const std::optional<std::string> text = simtest::ReadFile(simtest::SampleBoard(name));
    std::string error;
    std::optional<Board> board = text ? ParseBoard(*text, name, &error) : std::nullopt;
    EXPECT_TRUE(board.has_value()) << name << ": " << error;
    return board ? std::move(*board) : Board{};
}

uint32_t Version(const Board& board) {
    return board.info && board.info->size() > 3 ? (*board.info)[3] >> 24 : 0;
}

uint32_t ValueOf(const Board& board, uint32_t id) {
    const BoardItem* item = board.FindItem(id);
    EXPECT_NE(nullptr, item) << std::hex << id;
    return item ? item->value : 0;
}

}  // namespace

TEST(SimSampleBoards, FullBoardHasWhatTheProgramUses) {
    const Board board = Sample("full.txt");
    EXPECT_EQ(3u, Version(board));
    // Mask 4 clear: the program starts. Mask 2 in both: per-core ratio.
    EXPECT_EQ(0u, ValueOf(board, 0x00060008) & 4);
    EXPECT_EQ(0u, ValueOf(board, 0x00060009) & 4);
    EXPECT_EQ(2u, ValueOf(board, 0x00060008) & ValueOf(board, 0x00060009) & 2);

    const BoardItem* selector = board.FindItem(sim::kCoreSelectorId);
    const BoardItem* ratio = board.FindItem(0x03000013);
    ASSERT_TRUE(selector && ratio);
    EXPECT_EQ(selector->count, ratio->percore.size());
    ASSERT_NE(nullptr, board.FindItem(0x03010011));
    EXPECT_EQ(1u, (board.FindItem(0x03010011)->id >> 16) & 0xF);  // a unit marker
    EXPECT_NE(nullptr, board.FindItem(0x03080064));
    EXPECT_NE(nullptr, board.FindItem(0x03010060));

    bool boolean = false, textList = false, extras = false;
    for (const BoardItem* item : board.GroupItems(3)) {
        boolean |= item->Kind() == sim::ItemKind::Boolean;
        textList |= item->Kind() == sim::ItemKind::TextList && item->id != 0x03080064;
        extras |= ((item->id >> 20) & 0xF) == 8 && !item->extra.empty();
    }
    EXPECT_TRUE(boolean && textList && extras);

    // Two named profiles, each with a block of id/value pairs ended by 0xFFFFFFFF whose
    // ids are group-3 items of the board.
    const BoardItem* names = board.FindItem(0x05080002);
    ASSERT_NE(nullptr, names);
    ASSERT_EQ(2u, names->texts.size());
    for (uint32_t index = 0; index < names->texts.size(); ++index) {
        const auto block = board.blocks.find({0x05080002, index});
        ASSERT_NE(board.blocks.end(), block) << index;
        const std::vector<uint32_t>& words = block->second;
        size_t i = 1;
        for (; i + 1 < words.size() && words[i] != 0xFFFFFFFF; i += 2) {
            const BoardItem* item = board.FindItem(words[i]);
            ASSERT_NE(nullptr, item) << std::hex << words[i];
            EXPECT_EQ(3u, item->Group());
            EXPECT_TRUE(item->AcceptsValue(words[i + 1]));
        }
        EXPECT_EQ(0xFFFFFFFFu, words.at(i));
    }
    EXPECT_TRUE(board.dormix.has_value());
    EXPECT_EQ(3u, board.schemes.size());  // power saver, high performance, balanced
    EXPECT_NE(nullptr, board.ActiveScheme());
}

TEST(SimSampleBoards, OtherBoards) {
    const Board empty = Sample("empty.txt");
    EXPECT_TRUE(empty.items.empty());
    EXPECT_FALSE(empty.dormix.has_value());

    const Board old = Sample("old-interface.txt");
    EXPECT_LT(Version(old), 3u);
    EXPECT_FALSE(old.GroupItems(3).empty());
    EXPECT_EQ(nullptr, old.FindItem(sim::kCoreSelectorId));

    // Like the full board, except that both capability items have mask 4 set.
    const Board full = Sample("full.txt");
    const Board ixtu = Sample("ixtu-priority.txt");
    EXPECT_EQ(4u, ValueOf(ixtu, 0x00060008) & 4);
    EXPECT_EQ(4u, ValueOf(ixtu, 0x00060009) & 4);
    ASSERT_EQ(full.items.size(), ixtu.items.size());
    for (size_t i = 0; i < full.items.size(); ++i) {
        EXPECT_EQ(full.items[i].id, ixtu.items[i].id);
    }
    EXPECT_EQ(full.blocks, ixtu.blocks);
}
