// 32-bit hosts call with the stack only 4-byte aligned. The test host's calls into the
// plug-in arrive that way (tests/support/EntryCalls): this checks that they really do, using
// a function built on GCC's default 16-byte assumption, so that the plug-in tests passing
// means the plug-in's entries survive such a caller.
#include "StackProbe.hpp"
#include "tests/support/EntryCalls.hpp"
#include "tests/support/MisalignedCall.hpp"
#include "tests/support/TestHost.hpp"

#include <gtest/gtest.h>

using quovent::test::EntryCalls;

TEST(MisalignedStack, CallsThroughTheTestHostArriveMisaligned) {
    ASSERT_TRUE(EntryCalls::misaligned());
    EXPECT_EQ(quoventAlignedLocalAddress() % 16, 0u) << "a plain call keeps the alignment";
    for (const std::uint32_t offset : {4u, 8u, 12u}) {
        const std::uint32_t address = quoventMisalignedCall(
            reinterpret_cast<const void*>(&quoventAlignedLocalAddress), nullptr, 0, offset);
        EXPECT_NE(address % 16, 0u) << "offset " << offset;
    }
}

TEST(MisalignedStack, EveryEntryWorksThroughAMisalignedStack) {
    // Dozens of calls, so each entry meets each of the three misalignments.
    quovent::test::TestHost host;
    for (int round = 0; round < 3; ++round) {
        ASSERT_NE(host.open(), nullptr);
        host.prepare(44100.0f, 64);
        quovent::test::AudioBuffers out(64);
        for (int i = 0; i < 6; ++i) {
            const auto note = static_cast<std::uint8_t>(60 + i);
            host.sendMidi({{0, 0x9e, 60, 100}, {3, 0x99, note, 100}});
            host.process(out);
            host.processReplacing(out);
            host.setParameter(145, 0.25f * static_cast<float>(i % 4));
            (void)host.getParameter(145);
            EXPECT_EQ(host.text(quovent::vst::effGetEffectName), "quovent");
        }
        EXPECT_EQ(host.close(), 1);
    }
}
