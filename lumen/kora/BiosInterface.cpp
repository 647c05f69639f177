#include "lumen/kora/BiosInterface.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "lumen/core/Report.h"
#include "lumen/kora/VendorApi.h"

namespace kora {
namespace {

// Zero bytes kept after every package copy. Element functions of the library may
// peek at an element's header just past the last byte the package holds; with this
// margin such a peek stays inside our own allocation, and every element the model
// uses is still checked against the package's real size.
constexpr size_t kSlack = 16;

int32_t Signed24(uint32_t word) {
    return static_cast<int32_t>(word << 8) >> 8;
}

int SignedExponent(uint32_t baseWord) {
    return static_cast<int8_t>(baseWord >> 24);
}

// Decimal places added by the unit bits of a number item's id.
int UnitShift(uint32_t id) {
    switch (KindOf(id)) {
        case 1:
            return 2;
        case 2:
        case 12:
            return 3;
        case 3:
            return 4;
        default:
            return 0;
    }
}

int TrailingDecimalZeros(int64_t v) {
    if (v == 0) {
        return 0;
    }
    if (v < 0) {
        v = -v;
    }
    int n = 0;
    while (v % 10 == 0) {
        v /= 10;
        ++n;
    }
    return n;
}

std::string HexId(const char* pattern, uint32_t id) {
    char text[96];
    std::snprintf(text, sizeof text, pattern, static_cast<unsigned>(id));
    return text;
}

bool ValueInside(const uint8_t* begin, size_t size, const uint8_t* data, uint32_t* value) {
    if (data == nullptr || data < begin || data > begin + size || begin + size - data < 4) {
        return false;
    }
    std::memcpy(value, data, 4);
    return true;
}

bool ElementInside(const uint8_t* begin, size_t size, const uint8_t* element) {
    return element != nullptr && element >= begin && element < begin + size;
}

}  // namespace

// ---------------------------------------------------------------------------
// BiosItem

BiosItem::~BiosItem() = default;

bool BiosItem::ValueAt(const uint8_t* element, uint32_t* value) const {
    const uint8_t* begin = m_copy.data();
    const size_t size = m_copy.size() - kSlack;
    if (!ElementInside(begin, size, element)) {
        return false;
    }
    auto* data = static_cast<const uint8_t*>(AcpiElementData(const_cast<uint8_t*>(element)));
    return ValueInside(begin, size, data, value);
}

const char* BiosItem::TextAt(const uint8_t* element) const {
    const uint8_t* begin = m_copy.data();
    const size_t size = m_copy.size() - kSlack;
    if (!ElementInside(begin, size, element)) {
        return nullptr;
    }
    auto* data = static_cast<const uint8_t*>(AcpiElementData(const_cast<uint8_t*>(element)));
    if (data == nullptr || data < begin || data >= begin + size) {
        return nullptr;
    }
    // The text must end inside the copy.
    if (std::memchr(data, 0, static_cast<size_t>(begin + size - data)) == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<const char*>(data);
}

uint8_t* BiosItem::Next(uint8_t* element) const {
    const uint8_t* begin = m_copy.data();
    const size_t size = m_copy.size() - kSlack;
    if (!ElementInside(begin, size, element)) {
        return nullptr;
    }
    auto* next = static_cast<uint8_t*>(AcpiNextElement(element));
    // Elements only move forward; anything else is a broken package.
    if (next == nullptr || next <= element || next > begin + size) {
        return nullptr;
    }
    return next;
}

bool BiosItem::Initialize(const void* package, uint32_t size) {
    m_copy.assign(static_cast<size_t>(size) + kSlack, 0);
    if (package != nullptr && size > 0) {
        std::memcpy(m_copy.data(), package, size);
    }
    if (size < 4) {
        return false;
    }
    const uint32_t count = AcpiElementCount(m_copy.data());
    if (count < 3) {
        return false;
    }
    uint8_t* element = static_cast<uint8_t*>(AcpiFirstElement(m_copy.data()));
    if (!ValueAt(element, &m_id)) {
        return false;
    }
    element = Next(element);
    if (element == nullptr) {
        return false;
    }
    return ParseBody(element, count - 1);
}

// Every kind starts the same way: element 1 is skipped, element 2 holds the
// attribute word, element 3 the reported index. Returns the cursor on element 3.
uint8_t* BiosItem::ParseHead(uint8_t* cursor, uint32_t* remaining) {
    // remaining >= 2 holds: Initialize requires three elements.
    uint8_t* attribute = Next(cursor);
    if (attribute == nullptr || !ValueAt(attribute, &m_attribute)) {
        return nullptr;
    }
    *remaining -= 2;
    uint8_t* third = Next(attribute);
    if (*remaining > 0 && third != nullptr) {
        ValueAt(third, &m_reported);
    }
    return third;
}

uint32_t BiosItem::GetReportedIndex() const {
    return m_reported;
}

bool BiosItem::HasExtraStrings() const {
    return ((m_id >> 20) & 0xF) == 8;
}

bool BiosItem::IndexToRational(int, int64_t*, int64_t*) const {
    lumen::ShowMessage(HexId("Item[%x] does not supports IndexToRational", m_id), "BiosItem");
    return false;
}

double BiosItem::IndexToValue(int) const {
    lumen::ShowMessage(HexId("Item[%x] does not supports IndexToValue", m_id), "BiosItem");
    return 0.0;
}

std::string BiosItem::IndexToString(int) const {
    lumen::ShowMessage(HexId("Item[%x] does not supports IndexToString", m_id), "BiosItem");
    return std::string();
}

bool BiosItem::ReadValue(uint32_t* value) const {
    return BiosReadValue(m_id, value);
}

// ---------------------------------------------------------------------------
// BiosNumberItem

bool BiosNumberItem::ParseBody(uint8_t* cursor, uint32_t remaining) {
    cursor = ParseHead(cursor, &remaining);
    if (cursor == nullptr || remaining < 4) {
        return false;
    }
    uint8_t* base = Next(cursor);
    uint8_t* step = base ? Next(base) : nullptr;
    uint8_t* count = step ? Next(step) : nullptr;
    uint32_t baseWord = 0;
    uint32_t stepWord = 0;
    uint32_t countWord = 0;
    if (!ValueAt(base, &baseWord) || !ValueAt(step, &stepWord) || !ValueAt(count, &countWord)) {
        return false;
    }
    m_baseWord = baseWord;
    m_step = Signed24(stepWord);
    // A count beyond what an index can address is cut to it.
    m_numericCount = countWord > static_cast<uint32_t>(std::numeric_limits<int>::max() / 2)
                         ? std::numeric_limits<int>::max() / 2
                         : static_cast<int>(countWord);
    m_count = m_numericCount;
    remaining -= 4;
    if (remaining == 0) {
        return true;
    }
    if (remaining <= 1) {
        return false;
    }
    uint8_t* element = Next(count);
    uint32_t k = 0;
    if (!ValueAt(element, &k) || k == 0 || k > remaining - 1) {
        return false;
    }
    for (uint32_t i = 0; i < k; ++i) {
        element = Next(element);
        const char* text = TextAt(element);
        if (text == nullptr) {
            return false;
        }
        m_exStrs.push_back(text);
        ++m_count;
    }
    return true;
}

void BiosNumberItem::Rational(int i, int64_t* numerator, int64_t* denominator) const {
    const int e = SignedExponent(m_baseWord) - UnitShift(Id());
    int64_t num = static_cast<int64_t>(Signed24(m_baseWord)) + static_cast<int64_t>(i) * m_step;
    int64_t den = 1;
    // The exponent is a signed byte; powers beyond 10^18 do not fit and no firmware
    // value needs them, so they saturate instead of overflowing.
    for (int n = 0; n < (e < 0 ? -e : e) && n < 18; ++n) {
        if (e < 0) {
            den *= 10;
        } else {
            const bool negative = num < 0;
            if (__builtin_mul_overflow(num, int64_t{10}, &num)) {
                num = negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
                break;
            }
        }
    }
    *numerator = num;
    *denominator = den;
}

bool BiosNumberItem::IndexToRational(int index, int64_t* numerator, int64_t* denominator) const {
    if (index < ExtraCount()) {
        lumen::ShowMessage("Can not convert extra string to value", "IndexToRational Fail");
        return false;
    }
    Rational(index - ExtraCount(), numerator, denominator);
    return true;
}

double BiosNumberItem::IndexToValue(int index) const {
    if (index < ExtraCount()) {
        lumen::ShowMessage("Can not convert extra string to value", "IndexToValue Fail");
        return 0.0;
    }
    int64_t num = 0;
    int64_t den = 1;
    Rational(index - ExtraCount(), &num, &den);
    return static_cast<double>(num) / static_cast<double>(den);
}

int BiosNumberItem::Decimals() const {
    const int e = SignedExponent(m_baseWord);
    int d = (e < 0 ? -e : e) + UnitShift(Id());
    const int zb = TrailingDecimalZeros(Signed24(m_baseWord));
    const int zs = TrailingDecimalZeros(m_step);
    const int z = zb < zs ? zb : zs;
    return z < d ? d - z : 0;
}

std::string BiosNumberItem::IndexToString(int index) const {
    if (index >= 0 && index < ExtraCount()) {
        LUMEN_ASSERT_AS(static_cast<size_t>(index) < m_exStrs.size(), "index < m_exStrs.size()");
        return m_exStrs[static_cast<size_t>(index)];
    }
    if (index < ExtraCount()) {
        IndexToValue(index);  // shows why no text can be made
        return std::string();
    }
    int64_t num = 0;
    int64_t den = 1;
    Rational(index - ExtraCount(), &num, &den);
    // Render num/den with d decimals, rounded half away from zero, in exact integer
    // arithmetic so that 1.2 never prints as 1.19. Long division in 64 bits: the
    // denominator is at most 10^18, so ten times a remainder still fits, on the 32-bit
    // target too (which has no 128-bit integers).
    int d = Decimals();
    if (d > 18) {
        d = 18;
    }
    const bool negative = num < 0;
    const uint64_t magnitude = negative ? static_cast<uint64_t>(-(num + 1)) + 1 : static_cast<uint64_t>(num);
    const uint64_t divisor = den > 0 ? static_cast<uint64_t>(den) : 1;
    uint64_t whole = magnitude / divisor;
    uint64_t remainder = magnitude % divisor;
    int decimals[18] = {};
    for (int n = 0; n < d; ++n) {
        remainder *= 10;
        decimals[n] = static_cast<int>(remainder / divisor);
        remainder %= divisor;
    }
    if (remainder * 2 >= divisor) {
        int n = d - 1;
        for (; n >= 0 && decimals[n] == 9; --n) {
            decimals[n] = 0;
        }
        if (n >= 0) {
            ++decimals[n];
        } else {
            ++whole;
        }
    }
    // Digits from the last one backwards: d decimals, the point, at least one more.
    char text[64];
    int at = static_cast<int>(sizeof text);
    text[--at] = '\0';
    bool nonZero = whole != 0;
    for (int n = d - 1; n >= 0; --n) {
        nonZero = nonZero || decimals[n] != 0;
        text[--at] = static_cast<char>('0' + decimals[n]);
    }
    if (d > 0) {
        text[--at] = '.';
    }
    do {
        text[--at] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (negative && nonZero) {
        text[--at] = '-';
    }
    return std::string(text + at);
}

// ---------------------------------------------------------------------------
// BiosBooleanItem, BiosStringItem

bool BiosBooleanItem::ParseBody(uint8_t* cursor, uint32_t remaining) {
    cursor = ParseHead(cursor, &remaining);
    return cursor != nullptr && remaining != 0;
}

bool BiosStringItem::ParseBody(uint8_t* cursor, uint32_t remaining) {
    cursor = ParseHead(cursor, &remaining);
    if (cursor == nullptr || remaining <= 2) {
        return false;
    }
    uint8_t* element = Next(cursor);
    uint32_t n = 0;
    if (!ValueAt(element, &n)) {
        return false;
    }
    remaining -= 2;
    if (n == 0 || n > remaining) {
        return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
        element = Next(element);
        const char* text = TextAt(element);
        if (text == nullptr) {
            return false;
        }
        m_strs.push_back(text);
    }
    return true;
}

std::string BiosStringItem::IndexToString(int index) const {
    LUMEN_ASSERT_AS(index >= 0 && static_cast<size_t>(index) < m_strs.size(), "index < m_strs.size()");
    return m_strs[static_cast<size_t>(index)];
}

// ---------------------------------------------------------------------------
// GroupInfoTraverser

bool GroupInfoTraverser::Open(uint32_t group) {
    LUMEN_ASSERT(!IsOpen());
    if (m_group.empty()) {
        m_group.assign(kPackageBufferSize + kSlack, 0);
    }
    uint32_t size = kPackageBufferSize;
    if (AcpiGetGroup(group, m_group.data(), &size) == 0 || size > kPackageBufferSize || size < 4) {
        Close();
        return false;
    }
    m_groupSize = size;
    m_open = true;
    m_position = 0;
    m_count = AcpiElementCount(m_group.data());
    m_current = static_cast<uint8_t*>(AcpiFirstElement(m_group.data()));
    LoadDescription();
    return true;
}

void GroupInfoTraverser::Close() {
    m_open = false;
    m_position = 0;
    m_count = 0;
    m_current = nullptr;
}

void GroupInfoTraverser::Next() {
    if (m_position < m_count) {
        ++m_position;
        if (m_position < m_count) {
            auto* next = static_cast<uint8_t*>(AcpiNextElement(m_current));
            if (next == nullptr || next <= m_current || next >= m_group.data() + m_groupSize) {
                // The group claims more elements than it holds: it ends here.
                m_count = m_position;
                return;
            }
            m_current = next;
        }
        LoadDescription();
    }
}

void GroupInfoTraverser::LoadDescription() {
    const uint8_t* begin = m_group.data();
    if (!ElementInside(begin, m_groupSize, m_current)) {
        m_count = m_position;
        return;
    }
    auto* descriptor = static_cast<uint8_t*>(AcpiElementData(m_current));
    uint32_t unused = 0;
    if (!ValueInside(begin, m_groupSize, descriptor, &unused)) {
        m_count = m_position;
        return;
    }
    // A call that fails, or answers a size the buffer cannot hold, may still have
    // written into its buffer: the previous id and its description both stay.
    uint32_t size = kPackageBufferSize;
    if (AcpiGetItemInfo(descriptor, m_incoming.data(), &size) == 0 || size > kPackageBufferSize || size < 4) {
        return;
    }
    m_description.swap(m_incoming);
    m_descriptionSize = size;
    if (AcpiElementCount(m_description.data()) == 0) {
        return;
    }
    auto* first = static_cast<uint8_t*>(AcpiFirstElement(m_description.data()));
    if (!ElementInside(m_description.data(), size, first)) {
        return;
    }
    ValueInside(m_description.data(), size, static_cast<uint8_t*>(AcpiElementData(first)), &m_currentId);
}

BiosItem* GroupInfoTraverser::CreateItem() const {
    BiosItem* item = nullptr;
    switch (CurrentKind()) {
        case kKindBoolean:
            item = new BiosBooleanItem;
            break;
        case kKindTextList:
            item = new BiosStringItem;
            break;
        default:
            item = new BiosNumberItem;
            break;
    }
    item->Initialize(m_description.data(), m_descriptionSize);
    return item;
}

// ---------------------------------------------------------------------------
// Free operations

bool BiosItemSupported(uint32_t id) {
    GroupInfoTraverser traverser;
    if (!traverser.Open(GroupOf(id))) {
        return false;
    }
    for (; !traverser.IsEnd(); traverser.Next()) {
        if (traverser.CurrentId() == id) {
            return true;
        }
    }
    return false;
}

bool BiosReadValue(uint32_t id, uint32_t* value) {
    uint32_t read = 0;
    if ((AcpiGetValue(id, &read) & 1) == 0) {
        return false;
    }
    *value = read;
    return true;
}

bool BiosWriteControl(uint32_t id, uint32_t value) {
    return (AcpiSetValue(id, value, kModeControl) & 1) != 0;
}

bool ReadAcpiVersion(uint32_t* topByte) {
    AcpiInitialize();
    std::vector<uint8_t> info(kPackageBufferSize + kSlack, 0);
    uint32_t size = kPackageBufferSize;
    AcpiGetInfo(info.data(), &size);  // its result tells nothing
    if (size > kPackageBufferSize) {
        return false;
    }
    const uint32_t count = size < 4 ? 0 : AcpiElementCount(info.data());
    // Element 3 exists only when the package has four elements.
    if (count < 2 || count - 2 < 2) {
        return false;
    }
    uint8_t* element = static_cast<uint8_t*>(AcpiFirstElement(info.data()));
    for (int skip = 0; skip < 3; ++skip) {
        if (!ElementInside(info.data(), size, element)) {
            return false;
        }
        auto* next = static_cast<uint8_t*>(AcpiNextElement(element));
        if (next == nullptr || next <= element) {
            return false;
        }
        element = next;
    }
    uint32_t version = 0;
    if (!ElementInside(info.data(), size, element) ||
        !ValueInside(info.data(), size, static_cast<uint8_t*>(AcpiElementData(element)), &version)) {
        return false;
    }
    *topByte = version >> 24;
    return true;
}

bool IsNewAcpiInterface() {
    uint32_t version = 0;
    return ReadAcpiVersion(&version) && version >= 3;
}

}  // namespace kora
