#pragma once
// The package format of the simulated ACPI/BIOS library.
//
// A package is a run of little-endian 32-bit words:
//   word 0            number of elements
//   per element       word kind (0 value, 1 text), word byte length of the data,
//                     then the data, padded with zeros to a multiple of 4 bytes.
// An element is addressed by the position of its kind word; its data follows 8 bytes
// later and the next element follows the padded data. Nothing in a package refers to
// an absolute address, so a byte copy of a package reads exactly like the original.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sim {

enum class ElementKind : uint32_t { Value = 0, Text = 1 };

class PackageBuilder {
public:
    PackageBuilder& Value(uint32_t value);
    PackageBuilder& Text(std::string_view text);
    // Appends raw words after the elements (for malformed packages in tests).
    PackageBuilder& RawWord(uint32_t word);
    // Overrides the element count written in word 0 (for malformed packages in tests).
    PackageBuilder& CountOverride(uint32_t count);

    std::vector<uint8_t> Bytes() const;
    // Copies the package into a caller's buffer of *size bytes and sets *size to the
    // package's byte count. Fails (and leaves the buffer alone) when it does not fit.
    bool CopyTo(void* buffer, uint32_t* size) const;

private:
    void Append(uint32_t word);
    std::vector<uint8_t> m_body;
    uint32_t m_count = 0;
    bool m_countOverridden = false;
    uint32_t m_countOverride = 0;
};

// Element access, as the library's exported functions do it.
uint8_t* FirstElement(void* package);
uint32_t ElementCount(const void* package);
uint8_t* ElementData(void* element);
uint8_t* NextElement(void* element);

}  // namespace sim
