// Every control test program runs its tests in an OLE apartment, as a browser's
// user-interface thread does.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

namespace {
class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
    void TearDown() override { ::OleUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const g_ole = ::testing::AddGlobalTestEnvironment(new OleEnvironment);
}  // namespace
