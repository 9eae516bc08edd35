#include <gtest/gtest.h>

#include "driver/instance.h"
#include "tests/resources/expected_texts.h"

namespace {

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(nullptr);
        language = ExpectedLanguage();
        ASSERT_TRUE(language == 0x0407 || language == 0x0409)
            << "VELMORA_LANGUAGE must name 0407 or 0409, came " << std::hex << language;
    }
    LANGID language = 0;
};

// Wine falls back to English without a word when LANG names a locale that is not
// installed, so a German run that reads English texts must fail here and not pass
// as English. Wine takes both values from LANG; its resource lookup follows the
// thread locale (Windows itself follows the thread's UI language).
TEST_F(Catalogue, RunsInTheLanguageTheEnvironmentNames)
{
    EXPECT_EQ(language, GetUserDefaultUILanguage())
        << "expected user UI language " << std::hex << language << ", came " << GetUserDefaultUILanguage();
    EXPECT_EQ(language, LANGIDFROMLCID(GetThreadLocale()))
        << "expected thread locale " << std::hex << language << ", came " << GetThreadLocale();
}

TEST_F(Catalogue, EveryTextArrivesByteForByteInTheThreadsLanguage)
{
    for (const CatalogueText& text : kCatalogue) {
        char loaded[MAX_PATH];
        memset(loaded, 0x5a, sizeof loaded);
        SetLastError(0xdeadbeef);
        int length = LoadStringA(g_hInstance, text.id, loaded, sizeof loaded);
        std::string expected = ExpectedText(text, language);
        ASSERT_GT(length, 0) << "id " << text.id << " did not load, GetLastError() " << GetLastError();
        EXPECT_EQ(expected, std::string(loaded, length)) << "id " << text.id;
        EXPECT_EQ(static_cast<int>(expected.size()), length) << "id " << text.id;
        EXPECT_EQ('\0', loaded[length]) << "id " << text.id << " is not terminated";
        EXPECT_EQ(std::string::npos, std::string(loaded, length).find('\r'))
            << "id " << text.id << " holds a carriage return";
    }
}

// Block 1 holds ids 0 to 15; only the catalogue's ids may have a text in it.
TEST_F(Catalogue, NoOtherIdOfTheBlockHasAText)
{
    for (UINT id : {0u, 3u, 10u, 11u, 12u, 13u, 14u, 15u, 16u}) {
        char loaded[MAX_PATH] = "unchanged";
        int length = LoadStringA(g_hInstance, id, loaded, sizeof loaded);
        EXPECT_EQ(0, length) << "id " << id << " unexpectedly holds \"" << std::string(loaded, length > 0 ? length : 0)
                             << "\"";
    }
}

} // namespace
