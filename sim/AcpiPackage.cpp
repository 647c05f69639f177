#include "sim/AcpiPackage.h"

#include <cstring>

namespace sim {
namespace {

uint32_t LoadWord(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

uint32_t Padded(uint32_t length) {
    return (length + 3u) & ~3u;
}

}  // namespace

void PackageBuilder::Append(uint32_t word) {
    uint8_t bytes[4];
    std::memcpy(bytes, &word, sizeof word);
    m_body.insert(m_body.end(), bytes, bytes + 4);
}

PackageBuilder& PackageBuilder::Value(uint32_t value) {
    Append(static_cast<uint32_t>(ElementKind::Value));
    Append(4);
    Append(value);
    ++m_count;
    return *this;
}

PackageBuilder& PackageBuilder::Text(std::string_view text) {
    const auto length = static_cast<uint32_t>(text.size() + 1);
    Append(static_cast<uint32_t>(ElementKind::Text));
    Append(length);
    const size_t at = m_body.size();
    m_body.resize(at + Padded(length), 0);
    std::memcpy(m_body.data() + at, text.data(), text.size());
    ++m_count;
    return *this;
}

PackageBuilder& PackageBuilder::RawWord(uint32_t word) {
    Append(word);
    return *this;
}

PackageBuilder& PackageBuilder::CountOverride(uint32_t count) {
    m_countOverridden = true;
    m_countOverride = count;
    return *this;
}

std::vector<uint8_t> PackageBuilder::Bytes() const {
    std::vector<uint8_t> out(4 + m_body.size());
    const uint32_t count = m_countOverridden ? m_countOverride : m_count;
    std::memcpy(out.data(), &count, 4);
    if (!m_body.empty()) {
        std::memcpy(out.data() + 4, m_body.data(), m_body.size());
    }
    return out;
}

bool PackageBuilder::CopyTo(void* buffer, uint32_t* size) const {
    if (buffer == nullptr || size == nullptr) {
        return false;
    }
    const std::vector<uint8_t> bytes = Bytes();
    if (bytes.size() > *size) {
        return false;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    *size = static_cast<uint32_t>(bytes.size());
    return true;
}

uint8_t* FirstElement(void* package) {
    return package == nullptr ? nullptr : static_cast<uint8_t*>(package) + 4;
}

uint32_t ElementCount(const void* package) {
    return package == nullptr ? 0 : LoadWord(static_cast<const uint8_t*>(package));
}

uint8_t* ElementData(void* element) {
    return element == nullptr ? nullptr : static_cast<uint8_t*>(element) + 8;
}

uint8_t* NextElement(void* element) {
    if (element == nullptr) {
        return nullptr;
    }
    auto* e = static_cast<uint8_t*>(element);
    return e + 8 + Padded(LoadWord(e + 4));
}

}  // namespace sim
