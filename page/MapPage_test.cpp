#include "page/MapPage.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string_view>

namespace corvane {
namespace {

// The page's own script: the last script element of the document.
std::string pageScript(const std::string& page)
{
    const std::size_t open = page.rfind("<script>");
    const std::size_t close = page.find("</script>", open);
    if (open == std::string::npos || close == std::string::npos)
        return {};
    return page.substr(open + 8, close - open - 8);
}

TEST(MapPage, DocumentHoldsItsPartsInOrderAndFitsTheLoader)
{
    const std::string page = assembleMapPage();
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    std::size_t at = 0;
    for (const char* part :
         {"initial-scale=1.0, user-scalable=no", "<title>Corvane</title>", "Leaflet 1.9.4",
          ".listEntry {", "#statusLegend", "#searchBar", ".listEntry.alarm", "#historyBanner",
          "var worldAtlas = {\"type\":\"Topology\"", "</script>\n</head>",
          "<body onload=\"initialize()\">", "</html>"}) {
        const std::size_t found = page.find(part, at);
        EXPECT_NE(found, std::string::npos) << part << " is missing or out of order";
        if (found != std::string::npos)
            at = found;
    }
    // The web view takes at most 2 MB of text through setHtml.
    EXPECT_LT(page.size(), 2u * 1024 * 1024);
    EXPECT_EQ(page.find("/*@"), std::string::npos) << "an embedding marker was left in place";
    EXPECT_EQ(page.find("sourceMappingURL"), std::string::npos);
}

// The modules are bundled into one function: the script leaves no names of its own in
// the page's global scope but those it puts there on purpose.
TEST(MapPage, PageScriptIsOneFunctionThatShowsNoDialog)
{
    const std::string script = pageScript(assembleMapPage());
    ASSERT_FALSE(script.empty());
    const std::size_t start = script.find_first_not_of(" \n");
    EXPECT_EQ(script.compare(start, 9, "(() => {\n"), 0) << script.substr(start, 40);
    EXPECT_NE(script.find("})();", script.size() - 10), std::string::npos);
    for (const char* dialog : {"alert(", "confirm(", "prompt("})
        EXPECT_EQ(script.find(dialog), std::string::npos) << dialog;
}

// setHtml hands the page on as a data: address, percent-encoded: every byte but letters,
// digits and -._~ takes three characters there, and the address may hold at most 2 MB.
TEST(MapPage, PercentEncodedPageFitsTheLoader)
{
    std::size_t encoded = 0;
    for (unsigned char c : assembleMapPage()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        encoded += plain ? 1 : 3;
    }
    encoded += std::string_view("data:text/html;charset=UTF-8,").size();
    std::printf("percent-encoded page: %zu bytes\n", encoded);
    EXPECT_LT(encoded, 2u * 1024 * 1024);
}

// Texts from recorders reach the document only as text: the page's own script never
// writes markup from strings.
TEST(MapPage, PageScriptBuildsNoMarkupFromStrings)
{
    const std::string script = pageScript(assembleMapPage());
    ASSERT_FALSE(script.empty());
    for (const char* sink : {"innerHTML", "outerHTML", "insertAdjacentHTML", "document.write"})
        EXPECT_EQ(script.find(sink), std::string::npos) << "the page's script uses " << sink;
}

} // namespace
} // namespace corvane
