// Fuzz target of the firmware item model (lumen/kora/BiosInterface): description
// packages made into items of each kind, and group walks over them.
//
// Input: parts separated by fuzz::kPartMarker.
//   part 0    a description package, made into a number, a boolean and a text-list item
//             (BiosItem::Initialize, as the item tests do with their packages);
//   part 1    a group package, walked with GroupInfoTraverser (and the information
//             package of the library's version test);
//   parts 2.. the descriptions the library answers during the walk (part 0 when none).
// Packages are in the simulator's format, read by its element calls.
//
// Every read must stay inside the item's copy whatever the package says (the
// sanitizers watch the copy), and what the item reports must hold together: each text
// is a whole text of the package, each numeric index converts, and the rendered text
// of a value agrees with the value.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "lumen/kora/BiosInterface.h"
#include "lumen/kora/VendorApi.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/ScriptedAcpi.h"

namespace {

using kora::BiosBooleanItem;
using kora::BiosItem;
using kora::BiosNumberItem;
using kora::BiosStringItem;

fuzz::QuietReports g_reports;

// A text the item hands out must be one the package holds, with its end inside it.
void ExpectTextOfPackage(const std::string& text, const std::vector<uint8_t>& package) {
    const std::string needle = text + '\0';
    const std::string_view haystack(reinterpret_cast<const char*>(package.data()), package.size());
    if (haystack.find(needle) == std::string_view::npos) {
        fuzz::Fail("text \"" + text + "\" is not a text of the package");
    }
}

// "-"? digits ("." digits)?, and within half a unit of its last digit of the value.
void ExpectRendering(const std::string& text, double value) {
    size_t at = text[0] == '-' ? 1 : 0;
    const size_t digits = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        ++at;
    }
    if (at == digits) {
        fuzz::Fail("no digits in \"" + text + "\"");
    }
    int decimals = 0;
    if (at < text.size() && text[at] == '.') {
        const size_t point = at++;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        decimals = static_cast<int>(at - point - 1);
        if (decimals == 0) {
            fuzz::Fail("nothing after the point in \"" + text + "\"");
        }
    }
    if (at != text.size()) {
        fuzz::Fail("\"" + text + "\" is not a number");
    }
    const double shown = std::strtod(text.c_str(), nullptr);
    const double allowed = 0.5 * std::pow(10.0, -decimals) + std::fabs(value) * 1e-12 + 1e-300;
    if (!(std::fabs(shown - value) <= allowed)) {
        fuzz::Fail("\"" + text + "\" shows " + std::to_string(value));
    }
}

// The indices worth converting: the first and last few, and one from the middle.
template <typename Visit>
void SomeIndices(int count, Visit&& visit) {
    for (int i = 0; i < count && i < 8; ++i) {
        visit(i);
    }
    if (count > 16) {
        visit(count / 2);
    }
    for (int i = count - 8 > 8 ? count - 8 : 8; i < count; ++i) {
        visit(i);
    }
}

void ExerciseNumber(const BiosNumberItem& item, const std::vector<uint8_t>& package) {
    const int count = item.GetCount();
    const int extras = item.ExtraCount();
    if (count < 0 || extras < 0 || extras > count) {
        fuzz::Fail("count " + std::to_string(count) + " with " + std::to_string(extras) + " extra texts");
    }
    SomeIndices(count, [&](int i) {
        const std::string text = item.IndexToString(i);
        if (i < extras) {
            ExpectTextOfPackage(text, package);
            return;
        }
        int64_t num = 0;
        int64_t den = 0;
        if (!item.IndexToRational(i, &num, &den) || den <= 0) {
            fuzz::Fail("numeric index " + std::to_string(i) + " does not convert");
        }
        const double value = item.IndexToValue(i);
        if (value != static_cast<double>(num) / static_cast<double>(den)) {
            fuzz::Fail("value and fraction disagree at index " + std::to_string(i));
        }
        ExpectRendering(text, value);
    });
}

void ExerciseTextList(const BiosStringItem& item, const std::vector<uint8_t>& package) {
    const int count = item.GetCount();
    if (count < 0) {
        fuzz::Fail("negative count");
    }
    for (int i = 0; i < count; ++i) {
        ExpectTextOfPackage(item.IndexToString(i), package);
    }
}

// What every kind reports, and what its own kind converts.
void Exercise(const BiosItem& item, const std::vector<uint8_t>& package) {
    (void)item.Id();
    (void)item.GetReportedIndex();
    (void)item.HasExtraStrings();
    (void)item.IsWritable();
    if (const auto* number = dynamic_cast<const BiosNumberItem*>(&item)) {
        ExerciseNumber(*number, package);
    } else if (const auto* list = dynamic_cast<const BiosStringItem*>(&item)) {
        ExerciseTextList(*list, package);
    } else if (item.GetCount() != 0) {
        fuzz::Fail("a boolean item offers indices");
    }
}

template <typename Item>
void MakeAndExercise(const std::vector<uint8_t>& package) {
    Item item;
    (void)item.Initialize(package.data(), static_cast<uint32_t>(package.size()));
    Exercise(item, package);
}

void Walk(const fuzz::AcpiScript& script) {
    kora::GroupInfoTraverser traverser;
    if (!traverser.Open(3)) {
        return;
    }
    // The description the item is made of: the last one the library gave in a size its
    // buffer holds (a package starts with its 4-byte count).
    const std::vector<uint8_t>* described = nullptr;
    for (; !traverser.IsEnd(); traverser.Next()) {
        const std::vector<uint8_t>* answered = fuzz::LastDescription();
        if (answered != nullptr && answered->size() >= 4 && answered->size() <= kora::kPackageBufferSize) {
            described = answered;
        }
        std::unique_ptr<BiosItem> item(traverser.CreateItem());
        if (item->Id() != traverser.CurrentId() && item->GetCount() > 0) {
            fuzz::Fail("the item made is not the current one");
        }
        Exercise(*item, described != nullptr ? *described : script.descriptions.front());
    }
    traverser.Close();
    (void)kora::BiosItemSupported(0x03000000 | (script.descriptions.size() & 0xFF));
    uint32_t version = 0;
    (void)kora::ReadAcpiVersion(&version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string_view> parts = fuzz::SplitParts(data, size);
    const std::vector<uint8_t> description = fuzz::Bytes(parts[0]);
    MakeAndExercise<BiosNumberItem>(description);
    MakeAndExercise<BiosBooleanItem>(description);
    MakeAndExercise<BiosStringItem>(description);
    if (parts.size() < 2) {
        return 0;
    }
    fuzz::AcpiScript script;
    script.group = fuzz::Bytes(parts[1]);
    for (size_t i = 2; i < parts.size(); ++i) {
        script.descriptions.push_back(fuzz::Bytes(parts[i]));
    }
    if (script.descriptions.empty()) {
        script.descriptions.push_back(description);
    }
    fuzz::PlayScript(&script);
    Walk(script);
    fuzz::PlayScript(nullptr);
    return 0;
}
