// Tests run in the locale of their environment, so that a run under a
// locale with a decimal comma proves the parsers do not depend on it.
// Each test process keeps what writers record in a private folder of its
// own, which the programs it starts share, and which goes with it.
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    std::string state;
    if (std::getenv("VELMOR_TEST_STATE") == nullptr) {
        state = (std::filesystem::temp_directory_path() / "velmor-state-XXXXXX").string();
        if (::mkdtemp(state.data()) == nullptr) return 2;
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        ::setenv("VELMOR_TEST_STATE", state.c_str(), 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    if (!state.empty()) std::filesystem::remove_all(state, ec);
    return result;
}
