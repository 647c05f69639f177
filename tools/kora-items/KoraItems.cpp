// kora-items: lists the firmware items the ACPI/BIOS library reports, group by group,
// with their current values as the program would show them. A developer's window
// onto a board (real or simulated) through the program's own item model.
//
//   kora-items [GROUP...]     groups 0 to 15 when none is given
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "lumen/core/Report.h"
#include "lumen/kora/BiosInterface.h"
#include "lumen/kora/VendorApi.h"

namespace {

// Conversion messages go to the console here, not to message boxes.
class ConsoleSink : public lumen::ReportSink {
public:
    void Message(const std::string& text, const std::string& caption) override {
        std::printf("    ! %s: %s\n", caption.c_str(), text.c_str());
    }
    void AssertionFailed(const std::string& text, const std::string& caption) override { Message(text, caption); }
};

const char* KindName(uint32_t kind) {
    switch (kind) {
        case kora::kKindBoolean:
            return "boolean";
        case kora::kKindTextList:
            return "list";
        default:
            return "number";
    }
}

std::string ValueText(const kora::BiosItem& item, uint32_t raw) {
    if (kora::KindOf(item.Id()) == kora::kKindBoolean) {
        return raw != 0 ? "on" : "off";
    }
    if (raw >= static_cast<uint32_t>(item.GetCount())) {
        return "(index beyond the item's " + std::to_string(item.GetCount()) + " values)";
    }
    return item.IndexToString(static_cast<int>(raw));
}

void ListGroup(uint32_t group) {
    kora::GroupInfoTraverser traverser;
    if (!traverser.Open(group)) {
        return;
    }
    std::printf("group %u\n", group);
    for (; !traverser.IsEnd(); traverser.Next()) {
        std::unique_ptr<kora::BiosItem> item(traverser.CreateItem());
        uint32_t raw = 0;
        const bool read = item->ReadValue(&raw);
        std::printf("  0x%08X %-7s %4d values%s  ", item->Id(), KindName(kora::KindOf(item->Id())), item->GetCount(),
                    item->IsWritable() ? "" : " (read-only)");
        if (read) {
            std::printf("= %u  %s\n", raw, ValueText(*item, raw).c_str());
        } else {
            std::printf("= (read fails)\n");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ConsoleSink sink;
    lumen::SetReportSink(&sink);
    AcpiInitialize();
    uint32_t version = 0;
    if (kora::ReadAcpiVersion(&version)) {
        std::printf("ACPI/BIOS library version %u (%s interface)\n", version, version >= 3 ? "new" : "old");
    } else {
        std::printf("ACPI/BIOS library: no version reported\n");
    }
    std::vector<uint32_t> groups;
    for (int i = 1; i < argc; ++i) {
        groups.push_back(static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 0)));
    }
    if (groups.empty()) {
        for (uint32_t g = 0; g < 16; ++g) {
            groups.push_back(g);
        }
    }
    for (uint32_t g : groups) {
        ListGroup(g);
    }
    return 0;
}
