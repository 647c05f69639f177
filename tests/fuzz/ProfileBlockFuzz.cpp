// Fuzz target of the firmware profile block reader (lumen/kora/OcItemSet:
// ReadFirmwareProfile, OverlayFirmwareProfile), on a library that answers with the input.
//
// Input: word 0 the size the library reports, word 1 the profile index asked for,
// byte 8 bit 0 set: the call fails; from byte 9 on, the bytes the library writes into
// the reader's buffer (as far as it holds).
//
// The reader takes (id, value) pairs of 32-bit words from word 1 of what the library
// returned, up to the end marker or the end of the returned size, never beyond its own
// buffer; laid over a value list, each entry takes the value of the block's last pair
// with its id.
#include <map>
#include <string>

#include "lumen/kora/OcItemSet.h"
#include "lumen/kora/VendorApi.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/ScriptedAcpi.h"

namespace {

using kora::OcValueList;

fuzz::QuietReports g_reports;
constexpr uint32_t kEndMarker = 0xFFFFFFFF;

// Word i of the reader's buffer as the library left it: its bytes, zeros after them.
uint32_t WrittenWord(const std::vector<uint8_t>& written, size_t i) {
    uint8_t bytes[4] = {};
    for (size_t b = 0; b < 4; ++b) {
        if (i * 4 + b < written.size()) {
            bytes[b] = written[i * 4 + b];
        }
    }
    return fuzz::Word(bytes);
}

void CheckPairs(const fuzz::AcpiScript& script, const OcValueList& pairs) {
    const size_t limit = kora::kPackageBufferSize;
    const size_t words = (script.blockSize < limit ? script.blockSize : limit) / 4;
    const std::vector<uint8_t> written(
        script.block.begin(),
        script.block.begin() + static_cast<std::ptrdiff_t>(script.block.size() < limit ? script.block.size() : limit));
    if (words > 0 && pairs.size() > (words - 1) / 2) {
        fuzz::Fail(std::to_string(pairs.size()) + " pairs from " + std::to_string(words) + " words");
    }
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].id == kEndMarker) {
            fuzz::Fail("the end marker taken as an id");
        }
        if (pairs[i].id != WrittenWord(written, 1 + 2 * i) || pairs[i].value != WrittenWord(written, 2 + 2 * i)) {
            fuzz::Fail("pair " + std::to_string(i) + " is not words " + std::to_string(1 + 2 * i) + " and " +
                       std::to_string(2 + 2 * i));
        }
    }
    // The reader stops at the end marker or at the end; never early.
    const size_t next = 1 + 2 * pairs.size();
    if (next + 1 < words && WrittenWord(written, next) != kEndMarker) {
        fuzz::Fail("the reader stopped at word " + std::to_string(next) + " of " + std::to_string(words));
    }
}

void CheckOverlay(uint32_t index, const OcValueList& pairs) {
    // A list naming ids of the block (the first few: the overlay costs pairs times
    // entries), one of them twice, and an id the block does not name.
    OcValueList list;
    for (size_t i = 0; i < pairs.size() && i < 4; ++i) {
        list.push_back({pairs[i].id, ~pairs[i].value});
    }
    if (!pairs.empty()) {
        list.push_back({pairs.front().id, 0x5A5A5A5A});
    }
    std::map<uint32_t, uint32_t> last;
    for (const auto& pair : pairs) {
        last[pair.id] = pair.value;
    }
    uint32_t stranger = 0;
    while (last.count(stranger) != 0) {
        ++stranger;
    }
    list.push_back({stranger, 0x12345678});
    OcValueList overlaid = list;
    if (!kora::OverlayFirmwareProfile(index, &overlaid)) {
        fuzz::Fail("the block read once and then not");
    }
    if (overlaid.size() != list.size()) {
        fuzz::Fail("the overlay changed the length of the list");
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const auto found = last.find(list[i].id);
        const uint32_t expected = found == last.end() ? list[i].value : found->second;
        if (overlaid[i].id != list[i].id || overlaid[i].value != expected) {
            fuzz::Fail("entry " + std::to_string(i) + " of the overlaid list");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) {
        return 0;
    }
    fuzz::AcpiScript script;
    script.blockSize = fuzz::Word(data);
    const uint32_t index = fuzz::Word(data + 4);
    script.blockFails = (data[8] & 1) != 0;
    script.block.assign(data + 9, data + size);
    fuzz::PlayScript(&script);

    OcValueList pairs{{1, 2}};
    const bool read = kora::ReadFirmwareProfile(index, &pairs);
    if (fuzz::LastBlockIndex() != index) {
        fuzz::Fail("the reader asked for another profile");
    }
    if (!read) {
        if (!script.blockFails || !pairs.empty()) {
            fuzz::Fail(script.blockFails ? "a failed read left pairs" : "a block that reads was refused");
        }
    } else if (script.blockFails) {
        fuzz::Fail("a failed read was taken");
    } else {
        CheckPairs(script, pairs);
        CheckOverlay(index, pairs);
    }
    fuzz::PlayScript(nullptr);
    return 0;
}
