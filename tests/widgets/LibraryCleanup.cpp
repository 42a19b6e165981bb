// Gives cairo's and fontconfig's process-wide caches back at the end of a test program, so
// the leak checker sees only what the toolkit itself failed to free. A plug-in never does
// this: the host may be using both libraries itself.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

namespace {

class LibraryCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        cairo_debug_reset_static_data();
        FcFini();
    }
};

[[maybe_unused]] ::testing::Environment* const kCleanup =
    ::testing::AddGlobalTestEnvironment(new LibraryCleanup); // gtest owns it

} // namespace
