#include "page/MapPage.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string_view>

namespace corvane {
namespace {

// Each piece holds its own part of the document, in document order.
TEST(MapPage, PiecesHoldTheirPartsInDocumentOrder)
{
    const std::vector<std::string>& pieces = mapPagePieces();
    ASSERT_EQ(pieces.size(), 10u);

    struct Expectation
    {
        size_t piece;
        const char* text;
    };
    const Expectation expectations[] = {
        {0, "<title>Corvane</title>"},
        {0, "Leaflet 1.9.4"},
        {0, "initial-scale=1.0, user-scalable=no"},
        {0, "var global = {"},
        {1, "function ImageCanvasOverlay("},
        {1, "function speedToText("},
        {2, "function VehicleInfo("},
        {3, "function EventPopup("},
        {4, "function CustomContextMenu("},
        {5, "function Tooltip("},
        {6, "function VehicleContextMenu("},
        {7, "function ListBox("},
        {7, "function sortListBox("},
        {7, "function showTrackHistory("},
        {8, "function initialize("},
        {8, "function moveTo("},
        {8, "</script>\n</head>"},
        {9, "<body onload=\"initialize()\">"},
    };
    for (const Expectation& e : expectations) {
        EXPECT_NE(pieces[e.piece].find(e.text), std::string::npos)
            << "piece " << e.piece + 1 << " lacks " << e.text;
    }
    EXPECT_EQ(pieces.front().rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(pieces.back().find("</html>"), std::string::npos);
}

TEST(MapPage, AssembledPageIsThePiecesJoinedAndFitsTheLoader)
{
    std::string joined;
    for (const std::string& piece : mapPagePieces()) {
        joined += piece;
    }
    const std::string page = assembleMapPage();
    EXPECT_EQ(page, joined);
    // The web view takes at most 2 MB of text through setHtml.
    EXPECT_LT(page.size(), 2u * 1024 * 1024);
    EXPECT_EQ(page.find("@LEAFLET_"), std::string::npos) << "a library marker was left in place";
    EXPECT_EQ(page.find("/*@"), std::string::npos) << "an embedding marker was left in place";
    EXPECT_NE(page.find("var worldAtlas = {\"type\":\"Topology\""), std::string::npos);
    EXPECT_EQ(page.find("sourceMappingURL"), std::string::npos);
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
    const std::vector<std::string>& pieces = mapPagePieces();
    for (size_t i = 1; i < pieces.size(); ++i) {
        for (const char* sink :
             {"innerHTML", "outerHTML", "insertAdjacentHTML", "document.write"}) {
            EXPECT_EQ(pieces[i].find(sink), std::string::npos)
                << "piece " << i + 1 << " uses " << sink;
        }
    }
}

} // namespace
} // namespace corvane
