// The zeroed memory behind the sample arrays (Windows backend): it reads as zero and costs no
// resident page until a page is written. Windows cannot turn written pages back into zero
// pages while a reader may look, so releasing declines and leaves every byte as it was.
#include "platform/ZeroedMemory.hpp"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cstdint>
#include <vector>

using quovent::platform::ZeroedMemory;

namespace {

// Pages of the block that are in the process's working set.
std::size_t residentPages(const ZeroedMemory& m) {
    const std::size_t page = ZeroedMemory::pageSize();
    std::vector<PSAPI_WORKING_SET_EX_INFORMATION> pages(m.size() / page);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        pages[i].VirtualAddress = m.data() + i * page;
    }
    if (!QueryWorkingSetEx(GetCurrentProcess(), pages.data(),
                           static_cast<DWORD>(pages.size() * sizeof pages[0]))) {
        ADD_FAILURE() << "QueryWorkingSetEx failed";
        return 0;
    }
    std::size_t n = 0;
    for (const auto& p : pages) {
        n += p.VirtualAttributes.Valid ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(ZeroedMemory, PagesCostNothingUntilWritten) {
    const std::size_t page = ZeroedMemory::pageSize();
    ZeroedMemory m(10 * page - 5);
    ASSERT_NE(m.data(), nullptr);
    EXPECT_EQ(m.size(), 10 * page); // whole pages
    EXPECT_EQ(residentPages(m), 0u);
    m.data()[3 * page + 7] = std::byte{0x5A};
    m.data()[8 * page + 1] = std::byte{0x22};
    EXPECT_EQ(residentPages(m), 2u);
    for (std::size_t i = 0; i < m.size(); ++i) {
        if (i != 3 * page + 7 && i != 8 * page + 1) {
            ASSERT_EQ(m.data()[i], std::byte{0}) << i;
        }
    }
}

TEST(ZeroedMemory, ReleasingDeclinesAndKeepsEveryByte) {
    const std::size_t page = ZeroedMemory::pageSize();
    ZeroedMemory m(4 * page);
    ASSERT_NE(m.data(), nullptr);
    m.data()[page + 3] = std::byte{0x5A};
    EXPECT_FALSE(m.releasePages(page, page)); // the caller writes the zeros itself
    EXPECT_EQ(m.data()[page + 3], std::byte{0x5A});
    EXPECT_TRUE(m.releasePages(0, 0));
    EXPECT_FALSE(m.releasePages(3 * page, 2 * page)); // outside the block
}

TEST(ZeroedMemory, AnAbsurdSizeGivesNoMemoryRatherThanAFault) {
    const ZeroedMemory none(0);
    EXPECT_EQ(none.data(), nullptr);
    const ZeroedMemory huge(SIZE_MAX / 2);
    EXPECT_EQ(huge.data(), nullptr);
    EXPECT_EQ(huge.size(), 0u);
}
