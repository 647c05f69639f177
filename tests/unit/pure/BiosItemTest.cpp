// The firmware item model on description packages made here: parsing, index
// conversions, their messages, and packages that lie about their contents.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "lumen/kora/BiosInterface.h"
#include "sim/AcpiPackage.h"
#include "tests/unit/ReportRecorder.h"

using kora::BiosBooleanItem;
using kora::BiosItem;
using kora::BiosNumberItem;
using kora::BiosStringItem;
using sim::PackageBuilder;
using testutil::Recorder;
using testutil::ReportedMessage;

namespace {

constexpr uint32_t kNumberId = 0x03000010;

uint32_t BaseWord(int exponent, int32_t base) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(exponent)) << 24) | (static_cast<uint32_t>(base) & 0xFFFFFF);
}

PackageBuilder NumberPackage(uint32_t id, uint32_t baseWord, int32_t step, uint32_t count) {
    PackageBuilder p;
    p.Value(id)
        .Value(0)
        .Value(0x10)
        .Value(1)
        .Value(baseWord)
        .Value(static_cast<uint32_t>(step) & 0xFFFFFF)
        .Value(count);
    return p;
}

template <typename Item>
std::unique_ptr<Item> Make(const PackageBuilder& p, bool* parsed = nullptr) {
    auto item = std::make_unique<Item>();
    const std::vector<uint8_t> bytes = p.Bytes();
    const bool ok = item->Initialize(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (parsed != nullptr) {
        *parsed = ok;
    }
    return item;
}

}  // namespace

TEST(BiosNumberItem, ExponentAndTrailingZerosGiveTheDecimals) {
    auto item = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(-2, 100), 10, 3));
    EXPECT_EQ(3, item->GetCount());
    int64_t num = 0, den = 0;
    ASSERT_TRUE(item->IndexToRational(0, &num, &den));
    EXPECT_EQ(100, num);
    EXPECT_EQ(100, den);
    ASSERT_TRUE(item->IndexToRational(2, &num, &den));
    EXPECT_EQ(120, num);
    EXPECT_EQ(100, den);
    EXPECT_DOUBLE_EQ(1.0, item->IndexToValue(0));
    EXPECT_DOUBLE_EQ(1.2, item->IndexToValue(2));
    EXPECT_EQ("1.2", item->IndexToString(2));

    auto fives = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(-2, 100), 5, 3));
    ASSERT_TRUE(fives->IndexToRational(2, &num, &den));
    EXPECT_EQ(110, num);
    EXPECT_EQ("1.10", fives->IndexToString(2));
    EXPECT_TRUE(Recorder().messages.empty());
}

TEST(BiosNumberItem, UnitBitsShiftTheExponent) {
    // Unit 1 takes two more decimals: base 12345 with exponent 0 reads 123.45.
    auto unit1 = Make<BiosNumberItem>(NumberPackage(0x03010020, BaseWord(0, 12345), 5, 4));
    int64_t num = 0, den = 0;
    ASSERT_TRUE(unit1->IndexToRational(1, &num, &den));
    EXPECT_EQ(12350, num);
    EXPECT_EQ(100, den);
    EXPECT_EQ("123.50", unit1->IndexToString(1));
    // Unit 3 takes four; 12 and 2 take three.
    auto unit3 = Make<BiosNumberItem>(NumberPackage(0x03030020, BaseWord(0, 8125), 125, 4));
    EXPECT_EQ("0.8250", unit3->IndexToString(1));
    auto unit12 = Make<BiosNumberItem>(NumberPackage(0x030C0020, BaseWord(0, 1500), 5, 4));
    EXPECT_EQ("1.505", unit12->IndexToString(1));
    // A positive exponent multiplies.
    auto scaled = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(2, 3), 1, 4));
    ASSERT_TRUE(scaled->IndexToRational(1, &num, &den));
    EXPECT_EQ(400, num);
    EXPECT_EQ(1, den);
}

TEST(BiosNumberItem, NegativeAndSmallValuesRender) {
    // Signed 24-bit base and step: -0.05 in 0.01 steps.
    auto item = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(-2, -5), 1, 20));
    EXPECT_EQ("-0.05", item->IndexToString(0));
    EXPECT_EQ("0.00", item->IndexToString(5));
    EXPECT_EQ("0.03", item->IndexToString(8));
    EXPECT_DOUBLE_EQ(-0.05, item->IndexToValue(0));
    // No decimals at all: an integer without a point.
    auto plain = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(0, 0), 1, 8));
    EXPECT_EQ("0", plain->IndexToString(0));
    EXPECT_EQ("7", plain->IndexToString(7));
}

TEST(BiosNumberItem, ExtraTextsComeFirstInTheIndexSpace) {
    PackageBuilder p = NumberPackage(0x03800010, BaseWord(-2, 100), 10, 3);
    p.Value(2).Text("Auto").Text("Disabled");
    auto item = Make<BiosNumberItem>(p);
    EXPECT_TRUE(item->HasExtraStrings());
    EXPECT_EQ(5, item->GetCount());
    EXPECT_EQ("Auto", item->IndexToString(0));
    EXPECT_EQ("Disabled", item->IndexToString(1));
    // Index 2 is the first numeric value, index 4 the last.
    EXPECT_EQ("1.0", item->IndexToString(2));
    EXPECT_EQ("1.2", item->IndexToString(4));
    EXPECT_DOUBLE_EQ(1.0, item->IndexToValue(2));
    EXPECT_TRUE(Recorder().messages.empty());

    int64_t num = 0, den = 0;
    EXPECT_FALSE(item->IndexToRational(1, &num, &den));
    item->IndexToValue(0);
    EXPECT_EQ((std::vector<ReportedMessage>{{"Can not convert extra string to value", "IndexToRational Fail"},
                                            {"Can not convert extra string to value", "IndexToValue Fail"}}),
              Recorder().messages);
}

TEST(BiosNumberItem, HeaderElementsAreReported) {
    auto item = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(0, 1), 1, 2));
    EXPECT_EQ(kNumberId, item->Id());
    EXPECT_EQ(0x10u, item->Attribute());
    EXPECT_TRUE(item->IsWritable());
    EXPECT_EQ(1u, item->GetReportedIndex());
    EXPECT_FALSE(item->HasExtraStrings());

    PackageBuilder ro;
    ro.Value(kNumberId).Value(0).Value(kora::kAttrReadOnly).Value(0).Value(0).Value(1).Value(2);
    EXPECT_FALSE(Make<BiosNumberItem>(ro)->IsWritable());
}

TEST(BiosItemParsing, ShortPackagesReportWhatWasRead) {
    // Ends before element 6: no count was read, nothing converts.
    PackageBuilder shortNumber;
    shortNumber.Value(kNumberId).Value(0).Value(0).Value(0).Value(BaseWord(0, 1)).Value(1);
    bool parsed = true;
    auto item = Make<BiosNumberItem>(shortNumber, &parsed);
    EXPECT_FALSE(parsed);
    EXPECT_EQ(0, item->GetCount());

    // Fewer than three elements: not an item at all, but still an object.
    PackageBuilder two;
    two.Value(kNumberId).Value(0);
    auto tiny = Make<BiosNumberItem>(two, &parsed);
    EXPECT_FALSE(parsed);
    EXPECT_EQ(0, tiny->GetCount());

    // A text list whose count is zero, and one whose count exceeds what follows.
    PackageBuilder zero;
    zero.Value(0x03080001).Value(0).Value(0).Value(0).Value(0).Text("x");
    EXPECT_EQ(0, Make<BiosStringItem>(zero, &parsed)->GetCount());
    EXPECT_FALSE(parsed);
    PackageBuilder tooMany;
    tooMany.Value(0x03080001).Value(0).Value(0).Value(0).Value(5).Text("a").Text("b");
    EXPECT_EQ(0, Make<BiosStringItem>(tooMany, &parsed)->GetCount());
    EXPECT_FALSE(parsed);

    // Extra-text count of zero after the numeric part: the numbers stay usable.
    PackageBuilder zeroExtra = NumberPackage(0x03800010, BaseWord(0, 1), 1, 3);
    zeroExtra.Value(0).Text("never");
    auto numbers = Make<BiosNumberItem>(zeroExtra, &parsed);
    EXPECT_FALSE(parsed);
    EXPECT_EQ(3, numbers->GetCount());
    EXPECT_EQ("1", numbers->IndexToString(0));
}

TEST(BiosItemParsing, CountsBeyondThePackageNeverReadOutsideIt) {
    // The element count claims 40 elements; only 9 are there, and the texts the
    // extra count promises are missing. Under the sanitizers any read beyond the
    // copy fails the run.
    PackageBuilder lying = NumberPackage(0x03800010, BaseWord(0, 1), 1, 3);
    lying.Value(3).Text("one").CountOverride(40);
    bool parsed = true;
    auto item = Make<BiosNumberItem>(lying, &parsed);
    EXPECT_FALSE(parsed);
    EXPECT_EQ(4, item->GetCount());  // three numbers and the one text that is there
    EXPECT_EQ("one", item->IndexToString(0));

    PackageBuilder list;
    list.Value(0x03080001).Value(0).Value(0).Value(0).Value(3).Text("a").CountOverride(9);
    auto strings = Make<BiosStringItem>(list, &parsed);
    EXPECT_FALSE(parsed);
    EXPECT_EQ(1, strings->GetCount());

    // A text without its terminating zero inside the package is not taken.
    PackageBuilder unterminated;
    unterminated.Value(0x03080001).Value(0).Value(0).Value(0).Value(1).RawWord(1).RawWord(8).RawWord(0x41414141);
    std::vector<uint8_t> bytes = unterminated.CountOverride(6).Bytes();
    BiosStringItem raw;
    EXPECT_FALSE(raw.Initialize(bytes.data(), static_cast<uint32_t>(bytes.size())));
    EXPECT_EQ(0, raw.GetCount());

    // Sizes that cannot even hold the count word.
    BiosBooleanItem empty;
    EXPECT_FALSE(empty.Initialize(bytes.data(), 2));
    EXPECT_FALSE(empty.Initialize(nullptr, 0));
}

TEST(BiosItemParsing, TextsLiveInTheItemsOwnCopy) {
    PackageBuilder p;
    p.Value(0x03080001).Value(0).Value(0).Value(1).Value(2).Text("Normal").Text("Turbo");
    std::vector<uint8_t> bytes = p.Bytes();
    BiosStringItem item;
    ASSERT_TRUE(item.Initialize(bytes.data(), static_cast<uint32_t>(bytes.size())));
    std::fill(bytes.begin(), bytes.end(), 0xCD);  // the caller's buffer is reused
    bytes.clear();
    bytes.shrink_to_fit();
    EXPECT_EQ(2, item.GetCount());
    EXPECT_EQ("Normal", item.IndexToString(0));
    EXPECT_EQ("Turbo", item.IndexToString(1));
}

TEST(BiosItemConversions, UnsupportedKindsSayWhichItem) {
    PackageBuilder b;
    b.Value(0x03070005).Value(0).Value(0).Value(0).Value(0);
    bool parsed = false;
    auto boolean = Make<BiosBooleanItem>(b, &parsed);
    EXPECT_TRUE(parsed);
    EXPECT_EQ(0, boolean->GetCount());
    EXPECT_DOUBLE_EQ(0.0, boolean->IndexToValue(0));
    EXPECT_EQ("", boolean->IndexToString(0));
    int64_t num = 0, den = 0;
    EXPECT_FALSE(boolean->IndexToRational(0, &num, &den));
    EXPECT_EQ((std::vector<ReportedMessage>{{"Item[3070005] does not supports IndexToValue", "BiosItem"},
                                            {"Item[3070005] does not supports IndexToString", "BiosItem"},
                                            {"Item[3070005] does not supports IndexToRational", "BiosItem"}}),
              Recorder().messages);

    PackageBuilder s;
    s.Value(0x03080001).Value(0).Value(0).Value(0).Value(1).Text("Only");
    auto list = Make<BiosStringItem>(s);
    Recorder().messages.clear();
    list->IndexToValue(0);
    EXPECT_EQ((std::vector<ReportedMessage>{{"Item[3080001] does not supports IndexToValue", "BiosItem"}}),
              Recorder().messages);
}

TEST(BiosItemConversions, TextIndexBeyondTheListIsAProgrammingError) {
    PackageBuilder s;
    s.Value(0x03080001).Value(0).Value(0).Value(0).Value(1).Text("Only");
    auto list = Make<BiosStringItem>(s);
    try {
        list->IndexToString(1);
        FAIL() << "no assertion";
    } catch (const testutil::AssertionFailure& failure) {
        EXPECT_EQ(lumen::AssertionText("index < m_strs.size()", "x/BiosInterface.cpp", 1).substr(0, 38),
                  std::string(failure.what()).substr(0, 38));
        EXPECT_NE(std::string::npos, std::string(failure.what()).find(", file BiosInterface.cpp, line "));
    }
}

TEST(BiosItemConversions, HostileExponentsDoNotOverflow) {
    // Exponent +127 and -128 with the largest base: results saturate, nothing traps
    // under the sanitizers.
    auto big = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(127, 0x7FFFFF), 0x7FFFFF, 0x7FFFFFFF));
    int64_t num = 0, den = 0;
    EXPECT_TRUE(big->IndexToRational(big->GetCount() - 1, &num, &den));
    EXPECT_GT(num, 0);
    EXPECT_FALSE(big->IndexToString(big->GetCount() - 1).empty());
    auto tiny = Make<BiosNumberItem>(NumberPackage(kNumberId, BaseWord(-128, 1), 1, 2));
    EXPECT_FALSE(tiny->IndexToString(1).empty());
}
