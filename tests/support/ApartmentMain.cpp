// The main of the test binaries whose engine code plays, exports or hosts effects: the main thread
// is set up as the program sets up its user-interface thread, a single-threaded COM apartment with
// OLE initialised. The engine's own threads then have COM only where the engine gives it to them;
// a main thread in the multithreaded apartment would lend it to every thread of the process and
// hide a thread that lacks it.
#include <gtest/gtest.h>

#include <ole2.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) {
        std::fprintf(stderr, "OLE could not be initialised on the main thread\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
