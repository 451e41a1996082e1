#include <gtest/gtest.h>

#include <string>

#include "core/Format.h"

namespace {

struct FormatCase {
    const char* pattern;
    std::string expected;
};

TEST(Format, PatternsWithIntAndString)
{
    const FormatCase cases[] = {
        {"plain text", "plain text"},
        {"", ""},
        {"{{0}}", "{0}}"},
        {"a{", "a{"},
        {"a{0", "a{0"},
        {"x{0}y{1", "x42y{1"},
        {"[{5}]", "[]"},
        {"[{-1}]", "[]"},
        {"{}", "42"},
        {"{x}", "42"},
        {"{ 1}", "abc"},
        {"{+1}", "abc"},
        {"{0,5}", "   42"},
        {"{0,-5}|", "42   |"},
        {"{0,0}", "42"},
        {"{0,}", "42"},
        {"{1,1}", "abc"},
        {"{0:x}", "42"},
        {"{0,3:anything}", " 42"},
        {"{0 ,5}", "42"},
        {"{0{1}", "42"},
        {"{0,-3}{1,3}", "42 abc"},
        {"{0,-4}{0}", "42  42"},
        {"100%% {0}", "100%% 42"},
        {"}} {0}", "}} 42"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(format(c.pattern, 42, std::string("abc")), c.expected) << "pattern: " << c.pattern;
}

TEST(Format, ArgumentKinds)
{
    EXPECT_EQ(format("{0}", -7), "-7");
    EXPECT_EQ(format("{0}", int64_t(1) << 32), "4294967296");
    EXPECT_EQ(format("{0}.{1}.{2}", 7ull, -5ll, std::size_t(9)), "7.-5.9");
    EXPECT_EQ(format("{0}", 1234567), "1234567");  // never grouped
    const std::string utf8 = "错题本";
    EXPECT_EQ(format("[{0,10}]", utf8), "[ " + utf8 + "]");  // width counts bytes
    EXPECT_EQ(format("'{0}'", std::string("it's")), "'it's'");
    std::string withNul("a\0b", 3);
    EXPECT_EQ(format("{0}", withNul), withNul);
    const char* literal = "original.jpg";
    EXPECT_EQ(format("item/{0}/{1}/{2}", std::string("10000"), std::string("uuid"), literal),
              "item/10000/uuid/original.jpg");
    const char* null = nullptr;
    EXPECT_EQ(format("[{0}]", null), "[]");
    EXPECT_EQ(format("{0}{1}{2}{3}{4}{5}{6}{7}{8}{9}{10}{11}{12}{13}{14}{15}", 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                     13, 14, 15),
              "0123456789101112131415");
}

}  // namespace
