#pragma once
// The firmware item model: items of the ACPI/BIOS library as objects that know their
// identity, how many values they offer, and how an index becomes a number, a
// fraction or a text.
//
// Item id bits: 24-31 group, 20-23 extra-text marker (8), 16-19 kind and unit
// (7 boolean, 8 text list, anything else a number; 1, 2, 3 and 12 shift the decimal
// exponent), 0-15 item number.

#include <cstdint>
#include <string>
#include <vector>

namespace kora {

constexpr uint32_t GroupOf(uint32_t id) {
    return id >> 24;
}
constexpr uint32_t KindOf(uint32_t id) {
    return (id >> 16) & 0xF;
}
constexpr uint32_t kKindBoolean = 7;
constexpr uint32_t kKindTextList = 8;
// Attribute bit of a description: the item is not writable.
constexpr uint32_t kAttrReadOnly = 1u << 30;

class BiosItem {
public:
    BiosItem() = default;
    BiosItem(const BiosItem&) = delete;
    BiosItem& operator=(const BiosItem&) = delete;
    virtual ~BiosItem();

    // Takes a private copy of a description package and parses it. A failed parse
    // still leaves an item that reports what was read before the failure.
    bool Initialize(const void* package, uint32_t size);

    uint32_t Id() const { return m_id; }
    // Element 2 of the description (bit 30: not writable); 0 when it was not read.
    uint32_t Attribute() const { return m_attribute; }
    bool IsWritable() const { return (m_attribute & kAttrReadOnly) == 0; }

    virtual int GetCount() const = 0;
    virtual uint32_t GetReportedIndex() const;
    virtual bool HasExtraStrings() const;
    virtual bool IndexToRational(int index, int64_t* numerator, int64_t* denominator) const;
    virtual double IndexToValue(int index) const;
    virtual std::string IndexToString(int index) const;

    // Reads the item's own raw value from the firmware.
    bool ReadValue(uint32_t* value) const;

protected:
    // Parses from element 1 on; `remaining` counts the elements from the cursor on.
    virtual bool ParseBody(uint8_t* cursor, uint32_t remaining) = 0;
    // Reads elements 2 (attribute) and 3 (reported index), taking 2 from `remaining`;
    // returns the cursor on element 3, or nullptr when the package ends early.
    uint8_t* ParseHead(uint8_t* cursor, uint32_t* remaining);

    // Bounded access to the private copy. Every element the item reads is checked to
    // lie wholly inside the copy, whatever the package claims.
    bool ValueAt(const uint8_t* element, uint32_t* value) const;
    const char* TextAt(const uint8_t* element) const;
    uint8_t* Next(uint8_t* element) const;

private:
    std::vector<uint8_t> m_copy;
    uint32_t m_id = 0;
    uint32_t m_attribute = 0;
    uint32_t m_reported = 0;
};

class BiosNumberItem : public BiosItem {
public:
    int GetCount() const override { return m_count; }
    bool IndexToRational(int index, int64_t* numerator, int64_t* denominator) const override;
    double IndexToValue(int index) const override;
    std::string IndexToString(int index) const override;

    uint32_t BaseWord() const { return m_baseWord; }
    int32_t Step() const { return m_step; }
    int ExtraCount() const { return static_cast<int>(m_exStrs.size()); }

protected:
    bool ParseBody(uint8_t* cursor, uint32_t remaining) override;

private:
    // Numerator and denominator of numeric value i (0-based, after the extra texts).
    void Rational(int i, int64_t* numerator, int64_t* denominator) const;
    int Decimals() const;

    uint32_t m_baseWord = 0;
    int32_t m_step = 0;
    int m_numericCount = 0;
    int m_count = 0;
    std::vector<const char*> m_exStrs;
};

class BiosBooleanItem : public BiosItem {
public:
    int GetCount() const override { return 0; }

protected:
    bool ParseBody(uint8_t* cursor, uint32_t remaining) override;
};

class BiosStringItem : public BiosItem {
public:
    int GetCount() const override { return static_cast<int>(m_strs.size()); }
    std::string IndexToString(int index) const override;

protected:
    bool ParseBody(uint8_t* cursor, uint32_t remaining) override;

private:
    std::vector<const char*> m_strs;
};

// Walks the items of one group: their ids, kinds and descriptions.
class GroupInfoTraverser {
public:
    GroupInfoTraverser() = default;
    GroupInfoTraverser(const GroupInfoTraverser&) = delete;
    GroupInfoTraverser& operator=(const GroupInfoTraverser&) = delete;

    [[nodiscard]] bool Open(uint32_t group);
    void Close();
    bool IsOpen() const { return m_open; }
    bool IsEnd() const { return m_position >= m_count; }
    void Next();
    uint32_t CurrentId() const { return m_currentId; }
    uint32_t CurrentKind() const { return KindOf(m_currentId); }
    // The item of the current description (a number, boolean or text-list item).
    // The caller owns it.
    BiosItem* CreateItem() const;

private:
    void LoadDescription();

    std::vector<uint8_t> m_group;  // made on first open
    uint32_t m_groupSize = 0;
    uint8_t* m_current = nullptr;
    uint32_t m_position = 0;
    uint32_t m_count = 0;
    bool m_open = false;
    std::vector<uint8_t> m_description = std::vector<uint8_t>(4096);
    uint32_t m_descriptionSize = 0;
    // Where the library writes the next description; it becomes m_description only
    // when the call succeeds with a size the buffer holds.
    std::vector<uint8_t> m_incoming = std::vector<uint8_t>(4096);
    uint32_t m_currentId = 0;
};

// True when some description of group (id >> 24) names `id`. Reads the group anew.
bool BiosItemSupported(uint32_t id);
// AcpiGetValue; true when the low bit of its result is set.
bool BiosReadValue(uint32_t id, uint32_t* value);
// AcpiSetValue(id, value, 1); true when the low bit of its result is set.
bool BiosWriteControl(uint32_t id, uint32_t value);

}  // namespace kora

namespace kora {

// The library's version: the top byte of element 3 of its information package
// (AcpiInitialize, then AcpiGetInfo). False when the package has no element 3.
// Asks the library each time.
bool ReadAcpiVersion(uint32_t* topByte);
// True when the library speaks the newer interface (version 3 or more).
bool IsNewAcpiInterface();

}  // namespace kora
