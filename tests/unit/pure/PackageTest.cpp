#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lumen/kora/VendorApi.h"
#include "sim/AcpiPackage.h"

// A package copied byte for byte reads the same elements and texts as the original.
TEST(AcpiPackage, CopyReadsLikeTheOriginal) {
    const std::vector<uint8_t> original = sim::PackageBuilder().Value(0x03010060).Text("Core").Value(7).Bytes();
    std::vector<uint8_t> copy(original);
    void* e = AcpiFirstElement(copy.data());
    ASSERT_EQ(3u, AcpiElementCount(copy.data()));
    uint32_t first;
    std::memcpy(&first, AcpiElementData(e), 4);
    EXPECT_EQ(0x03010060u, first);
    e = AcpiNextElement(e);
    EXPECT_STREQ("Core", static_cast<const char*>(AcpiElementData(e)));
    e = AcpiNextElement(e);
    uint32_t third;
    std::memcpy(&third, AcpiElementData(e), 4);
    EXPECT_EQ(7u, third);
}
