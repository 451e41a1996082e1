#include <gtest/gtest.h>

#include <QString>

#include <cstring>
#include <string>
#include <vector>

#include "service/DesCipher.h"
#include "service/PasswordDigest.h"

namespace {

unsigned char reverseBits(unsigned char b)
{
    unsigned char r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i))
            r = static_cast<unsigned char>(r | (0x80u >> i));
    return r;
}

std::vector<unsigned char> fromHex(const std::string& hex)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<unsigned char> reversed(std::vector<unsigned char> bytes)
{
    for (unsigned char& b : bytes)
        b = reverseBits(b);
    return bytes;
}

}  // namespace

TEST(GetMd5, Rfc1321VectorsAndUtf8Passwords)
{
    const std::pair<QString, QString> cases[] = {
        {QString(), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e")},
        {QStringLiteral("a"), QStringLiteral("0cc175b9c0f1b6a831c399e269772661")},
        {QStringLiteral("abc"), QStringLiteral("900150983cd24fb0d6963f7d28e17f72")},
        {QStringLiteral("message digest"), QStringLiteral("f96b697d7cb7938d525a2f31aaf161d0")},
        {QStringLiteral("abcdefghijklmnopqrstuvwxyz"), QStringLiteral("c3fcd3d76192e4007dfb496cca67e13b")},
        {QStringLiteral("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
         QStringLiteral("57edf4a22be3c955ac49da2e2107b67a")},
        // "中文" as UTF-8 (e4 b8 ad e6 96 87).
        {QString::fromUtf8("中文"), QStringLiteral("a7bac2239fcdcb3a067903d8077c4a07")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(getMd5(c.first), c.second) << c.first.toStdString();
}

// Known DES vectors, carried over to the cipher's bit order by reversing the
// bits of every key, input and output byte.
TEST(DesEncrypt, KnownVectorsInTheLowBitFirstOrder)
{
    struct Case {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Case cases[] = {
        {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
        {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
        {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
        {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
        {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    };
    for (const Case& c : cases) {
        const std::vector<unsigned char> key = reversed(fromHex(c.key));
        std::vector<unsigned char> data = reversed(fromHex(c.plain));
        ASSERT_EQ(desEncrypt(data.data(), 8, key.data()), 0);
        EXPECT_EQ(data, reversed(fromHex(c.cipher))) << c.key << " " << c.plain;
    }

    // ECB: two equal blocks give two equal cipher blocks.
    const std::vector<unsigned char> key = reversed(fromHex("133457799BBCDFF1"));
    std::vector<unsigned char> two = reversed(fromHex("0123456789ABCDEF0123456789ABCDEF"));
    ASSERT_EQ(desEncrypt(two.data(), 16, key.data()), 0);
    EXPECT_EQ(two, reversed(fromHex("85E813540F0AB40585E813540F0AB405")));
}

TEST(DesEncrypt, HighKeyBitsAreIgnoredAndBadLengthsRefused)
{
    // PC-1 leaves out the value-128 bit of each key byte here.
    const unsigned char key[] = "quillmore-xeb...";
    unsigned char withHigh[8];
    for (int i = 0; i < 8; ++i)
        withHigh[i] = static_cast<unsigned char>(key[i] ^ 0x80);
    unsigned char a[8] = {'p', 'a', 's', 's', 'w', 'o', 'r', 'd'};
    unsigned char b[8];
    std::memcpy(b, a, 8);
    ASSERT_EQ(desEncrypt(a, 8, key), 0);
    ASSERT_EQ(desEncrypt(b, 8, withHigh), 0);
    EXPECT_EQ(std::memcmp(a, b, 8), 0);
    EXPECT_NE(std::memcmp(a, "password", 8), 0);

    unsigned char data[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    unsigned char copy[12];
    std::memcpy(copy, data, sizeof data);
    for (int length : {12, -8, 7}) {
        EXPECT_EQ(desEncrypt(data, length, key), -1) << length;
        EXPECT_EQ(std::memcmp(data, copy, sizeof data), 0) << length;
    }
    EXPECT_EQ(desEncrypt(data, 0, key), 0);
    EXPECT_EQ(std::memcmp(data, copy, sizeof data), 0);
}
