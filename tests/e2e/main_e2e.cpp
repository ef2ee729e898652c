// The end-to-end driver's entry: the program under test and the source tree come from the
// command line (tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdio>

#include "driver.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: glimra_e2e <path of Glimra3.exe> [source folder]\n");
        return 2;
    }
    std::string exe = argv[1];
    setGlimraExecutable(exe[0] == '/' ? windowsPathFromUnix(exe) : std::wstring(exe.begin(), exe.end()));
    if (argc > 2) {
        setSourceFolder(argv[2]);
    }
    return RUN_ALL_TESTS();
}
