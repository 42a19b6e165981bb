// The zeroed memory behind the sample arrays (Linux backend): it reads as zero, costs no
// resident page until a page is written, and released pages read as zero and cost nothing
// again while the pages around them keep their bytes.
#include "platform/ZeroedMemory.hpp"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <vector>

using quovent::platform::ZeroedMemory;

namespace {

// Pages of the block that are resident.
std::size_t residentPages(const ZeroedMemory& m) {
    const std::size_t page = ZeroedMemory::pageSize();
    std::vector<unsigned char> flags(m.size() / page);
    if (mincore(m.data(), m.size(), flags.data()) != 0) {
        ADD_FAILURE() << "mincore failed";
        return 0;
    }
    std::size_t n = 0;
    for (const unsigned char f : flags) {
        n += (f & 1u) != 0 ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(ZeroedMemory, PagesCostNothingUntilWrittenAndAfterRelease) {
    const std::size_t page = ZeroedMemory::pageSize();
    ZeroedMemory m(10 * page - 5);
    ASSERT_NE(m.data(), nullptr);
    EXPECT_EQ(m.size(), 10 * page); // whole pages
    EXPECT_EQ(residentPages(m), 0u);

    m.data()[3 * page + 7] = std::byte{0x5A};
    m.data()[4 * page] = std::byte{0x11};
    m.data()[8 * page + 1] = std::byte{0x22};
    EXPECT_EQ(residentPages(m), 3u);

    ASSERT_TRUE(m.releasePages(3 * page, 2 * page));
    EXPECT_EQ(residentPages(m), 1u);
    EXPECT_EQ(m.data()[3 * page + 7], std::byte{0});
    EXPECT_EQ(m.data()[4 * page], std::byte{0});
    EXPECT_EQ(m.data()[8 * page + 1], std::byte{0x22}); // outside the released range

    // Ranges outside the block are refused without touching it.
    EXPECT_FALSE(m.releasePages(9 * page, 2 * page));
    EXPECT_EQ(m.data()[8 * page + 1], std::byte{0x22});
    EXPECT_TRUE(m.releasePages(0, 0));
}

TEST(ZeroedMemory, AnAbsurdSizeGivesNoMemoryRatherThanAFault) {
    const ZeroedMemory none(0);
    EXPECT_EQ(none.data(), nullptr);
    const ZeroedMemory huge(SIZE_MAX / 2);
    EXPECT_EQ(huge.data(), nullptr);
    EXPECT_EQ(huge.size(), 0u);
}
