// Tests run in the locale of their environment, so that a run under a
// locale with a decimal comma proves the parsers do not depend on it.
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
