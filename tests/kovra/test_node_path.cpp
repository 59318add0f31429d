#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "xdma_node_path.h"

namespace {

TEST(XdmaNodePath, RedirectsDeviceNodesOnlyWhenTheVariableIsSet)
{
    struct Case {
        const char* dir;  // null: variable unset
        const char* node;
        const char* expected;
    } cases[] = {
        {nullptr, "/dev/xdma0_user", "/dev/xdma0_user"},
        {"", "/dev/xdma0_user", "/dev/xdma0_user"},
        {"/tmp/sim", "/dev/xdma0_user", "/tmp/sim/xdma0_user"},
        {"/tmp/sim/", "/dev/xdma2_c2h_0", "/tmp/sim/xdma2_c2h_0"},
        {"/tmp/sim", "/dev/xdma0_control", "/tmp/sim/xdma0_control"},
        {"/tmp/sim", "/dev/null", "/dev/null"},
        {"/tmp/sim", "xdma0_user", "xdma0_user"},
        {"/tmp/sim", "/home/dev/xdma0_user", "/home/dev/xdma0_user"},
    };
    for (const Case& c : cases) {
        if (c.dir)
            setenv(XDMA_NODE_DIR_ENV, c.dir, 1);
        else
            unsetenv(XDMA_NODE_DIR_ENV);
        char out[256];
        int n = xdma_node_path(c.node, out, sizeof out);
        EXPECT_STREQ(out, c.expected) << c.node << " with " << (c.dir ? c.dir : "(unset)");
        EXPECT_EQ(n, static_cast<int>(std::string(c.expected).size()));
    }
    unsetenv(XDMA_NODE_DIR_ENV);
}

TEST(XdmaNodePath, RefusesBadArgumentsAndShortBuffers)
{
    setenv(XDMA_NODE_DIR_ENV, "/tmp/a-longer-directory", 1);
    char out[16] = "x";
    EXPECT_EQ(xdma_node_path("/dev/xdma0_user", out, sizeof out), -ENAMETOOLONG);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(xdma_node_path(nullptr, out, sizeof out), -EINVAL);
    EXPECT_EQ(xdma_node_path("/dev/xdma0_user", nullptr, 10), -EINVAL);
    EXPECT_EQ(xdma_node_path("/dev/xdma0_user", out, 0), -EINVAL);
    unsetenv(XDMA_NODE_DIR_ENV);
}

}  // namespace
