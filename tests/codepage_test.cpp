// Narrow texts (an ID3v1 field, the host's narrow playlist title, a custom
// text from the settings file) are in the ANSI code page, and reach the
// messenger as the characters that code page gives them. CTest runs this
// program twice: under code page 1252 (Western) and under 1251 (Cyrillic);
// Wine takes the code page from the locale, SONGBEAM_ANSI_CODE_PAGE says
// which one this run must have.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "tests/plugin_session.h"

namespace {

struct AnsiCase {
    const char *bytes;
    const char *cp1252, *cp1251;  // UTF-8
};

const AnsiCase CASES[] = {
    {"Caf\xE9", "Caf\u00E9", "Caf\u0439"},
    {"Don\x92t Stop \x96 Live", "Don\u2019t Stop \u2013 Live", "Don\u2019t Stop \u2013 Live"},
    {"5\x80", "5\u20AC", "5\u0402"},
    {"\xCA\xE8\xED\xEE", "\u00CA\u00E8\u00ED\u00EE", "\u041A\u0438\u043D\u043E"},
    {"Rain\xA0\x85", "Rain\u00A0\u2026", "Rain\u00A0\u2026"},  // no trailing blank to trim
};

class CodePageTest : public PluginSession {};

TEST_F(CodePageTest, NarrowTextsReachTheMessengerInTheAnsiCodePage) {
    const char *wanted = getenv("SONGBEAM_ANSI_CODE_PAGE");
    UINT codePage = GetACP();
    printf("ANSI code page %u\n", codePage);
    if (wanted != NULL) {
        ASSERT_EQ(codePage, (UINT)atoi(wanted)) << "this Wine takes the code page from the locale (LC_ALL): is the "
                                                   "locale installed? (tools/install-deps.sh generates it)";
    }
    ASSERT_TRUE(codePage == 1252 || codePage == 1251) << "no expectations for code page " << codePage;
    StandinSetUnicodeRequests(false);  // the host's narrow title
    for (const AnsiCase &c : CASES) {
        SCOPED_TRACE(c.cp1252);
        const std::string expected = codePage == 1252 ? c.cp1252 : c.cp1251;
        LoadPlugin(std::string("[Songbeam!]\r\nTEXT1=108\r\nTEXT2=102\r\nTEXT3=104\r\nCUSTOM1=") + c.bytes + "\r\n");
        AddTrack("tagged.mp3", StandinTag(c.bytes, "Kora", "Blue"), "ignored");
        ExpectOnly(Publish(), OnText("{0} - {1} - {2}", {expected, expected, "Kora"}));
        AddTrack("untagged.mp3", "", std::string(c.bytes) + " - Rain");
        ExpectOnly(PublishAfresh(), OnText("{0} - {1} - {2}", {expected, "Rain", expected}));
        Quit();
        Unload();
    }
}

}  // namespace
