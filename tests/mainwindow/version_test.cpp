#include <gtest/gtest.h>

#include "app/Version.h"

namespace {

TEST(VersionOffer, ComparedByNumericParts)
{
    struct Offer {
        const char* offered;
        bool newer;
    };
    const Offer offers[] = {
        {"2.1.0", true},    {"2.0.10", true},  {"10.0.0", true},   {"2.0.9", true},
        {"3", true},        {" 2.0.9 ", true}, {"2.0.8.1", true},  {"2.0.8", false},
        {"2.0.8.0", false}, {"2.0.7", false},  {"1.99.99", false}, {"2.0", false},
        {"", false},        {"   ", false},    {"v2.1.0", false},  {"2.1.0-beta", false},
        {"2..1", false},    {"2.1.", false},   {".2.1", false},    {"99999999999999999999.0", false},
    };
    for (const Offer& o : offers)
        EXPECT_EQ(isNewerVersion(o.offered, "2.0.8"), o.newer) << '"' << o.offered << '"';
}

}  // namespace
