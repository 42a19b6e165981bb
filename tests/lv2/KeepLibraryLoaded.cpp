// Keeps the bundle's library and the window libraries it needs (X11, cairo, fontconfig)
// loaded until the test program ends. lilv unloads the plug-in with its last instance, and
// with it those libraries, whose process-wide caches the leak checker would then find
// orphaned; a host keeps them too (it shows windows itself).
#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

class KeepLibraryLoaded : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_NE(dlopen(QUOVENT_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE), nullptr)
            << dlerror();
    }
};

[[maybe_unused]] ::testing::Environment* const kKeep =
    ::testing::AddGlobalTestEnvironment(new KeepLibraryLoaded); // gtest owns it

} // namespace
