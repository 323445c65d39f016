// The end-to-end tests run under the umockdev preload (it redirects /sys, /dev and netlink to the
// testbed, for this process and the programs it starts); started without it, they restart
// themselves with it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/E2eSupport.h"

int main(int argc, char** argv) {
    const char* preload = getenv("LD_PRELOAD");
    const std::string library = e2e::PreloadLibrary();
    if ((!preload || !strstr(preload, "libumockdev-preload")) &&
        access(library.c_str(), R_OK) == 0) {
        const std::string value = preload && *preload ? library + ":" + preload : library;
        setenv("LD_PRELOAD", value.c_str(), 1);
        execv("/proc/self/exe", argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
