#include "callback/CallbackMessageParser.h"
#include "callback/GPSInfo.h"
#include "testsupport/RecorderSamples.h"
#include "tools/GprmcSentence.h"
#include "tools/RecorderMessageBuilder.h"

#include <gtest/gtest.h>
#include <string>

using namespace corvane;

namespace {

// What the station makes of a datagram.
CallbackInfo parsed(const std::string& datagram)
{
    CallbackInfo record("127.0.0.1", 5000);
    std::string text = datagram; // the parser gets a terminated copy, as from the server
    EXPECT_TRUE(CallbackMessageParser().parse(text.c_str(), record));
    return record;
}

RecorderHeader headerNamed(const std::string& name, const std::string& title)
{
    RecorderHeader h = test::sampleHeader("3f2504e0-4f89-11d3-9a0c-0305e82c3301", name, 13, 45, 30);
    h.deviceTitle = title;
    h.channel = 2;
    h.flags = 0x8001;
    return h;
}

} // namespace

TEST(RecorderMessageBuilderTest, StationReadsBackNamesAndHeader)
{
    struct Case
    {
        const char* name;
        const char* title;
        const char* storedName;
        const char* storedTitle;
    } cases[] = {
        {"Bus 7, Line 12", "Front cam, left", "Bus 7, Line 12", "Front cam, left"},
        {"O'Brien's Van", "Driver's cab", "O'Brien's Van", "Driver's cab"},
        {"Depot\\Truck 3", "DVR\\ch2", "Depot\\Truck 3", "DVR\\ch2"},
        {"Müller 東京 ✓", "Kamera Rückseite", "Müller 東京 ✓", "Kamera Rückseite"},
        {"<b>Tank</b> & \"Co\"", "<i>Rear</i>", "<b>Tank</b> & \"Co\"", "<i>Rear</i>"},
        // Only the name reads one space as empty; a title keeps it.
        {"", "", "Vehicle", " "},
        {",,,", "a,b", ",,,", "a,b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecorderHeader h = headerNamed(c.name, c.title);
        for (int code : {0, 7, 13}) {
            CallbackInfo r = parsed(RecorderMessageBuilder::event(h, code));
            EXPECT_EQ(r.getName(), c.storedName);
            EXPECT_EQ(r.getDeviceTitle(), c.storedTitle);
            EXPECT_EQ(r.getType(), code);
            EXPECT_EQ(r.getOrdinal(), 3);
            EXPECT_EQ(r.getFlags().value(), 0x8001u);
            EXPECT_EQ(r.getTime().date().packed(), 131794207);
            EXPECT_EQ(r.getTime().time().packed(), 863518);
            EXPECT_TRUE(r.getId().equals(UniqueID(h.id.c_str())));
        }
    }
}

TEST(RecorderMessageBuilderTest, PositionReportCarriesTheSentence)
{
    GprmcFix fix = test::sampleFix(-33.8688, 151.2093, 13, 45, 30);
    fix.speedKnots = 21.5;
    fix.courseDegrees = 87.5;
    std::string sentence = GprmcSentence::format(fix);
    CallbackInfo r =
        parsed(RecorderMessageBuilder::gpsReport(headerNamed("Bus, 7", "cam"), sentence));
    EXPECT_EQ(r.getType(), 100);
    EXPECT_EQ(r.getName(), "Bus, 7");
    EXPECT_EQ(r.getGpsData(), sentence.substr(0, sentence.find('*')));
    GPSInfo gps(r.getGpsData());
    EXPECT_NEAR(gps.latitude(), fix.latitude, 1e-5);
    EXPECT_NEAR(gps.longitude(), fix.longitude, 1e-5);
    EXPECT_NEAR(gps.speed(), 21.5, 0.05);
    EXPECT_NEAR(gps.course(), 87.5, 0.05);
    EXPECT_EQ(gps.fixTime().packed(), 863518);
}

TEST(RecorderMessageBuilderTest, DetailsArriveAsSent)
{
    std::map<std::string, std::string> details{
        {"Company", "Acme, Inc."},  {"Driver", "Ann O'Hara"},   {"License", ""},
        {"Maker", "Groß \\ Söhne"}, {"Model", "X<sub>2</sub>"}, {"Registration", "AB 123"},
    };
    CallbackInfo r = parsed(RecorderMessageBuilder::details(headerNamed("Van", "cam"), details));
    EXPECT_EQ(r.getType(), 101);
    EXPECT_EQ(r.getOptionalInfo(), details);
}
