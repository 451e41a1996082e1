// The library boundary: exactly eleven exports, the caller's row padding,
// null and negative records, and destinations of the wrong size.
#include "Pages.h"
#include "vantrel.h"

#include <elf.h>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

namespace {

// Names of the defined global symbols in the dynamic symbol table of a
// 64-bit ELF file.
std::set<std::string> exportedNames(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<std::string> names;
    if (bytes.size() < sizeof(Elf64_Ehdr))
        return names;
    const char* base = bytes.data();
    Elf64_Ehdr eh;
    std::memcpy(&eh, base, sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64)
        return names;
    for (int i = 0; i < eh.e_shnum; ++i) {
        Elf64_Shdr sh;
        std::memcpy(&sh, base + eh.e_shoff + static_cast<size_t>(i) * eh.e_shentsize, sizeof sh);
        if (sh.sh_type != SHT_DYNSYM)
            continue;
        Elf64_Shdr strtab;
        std::memcpy(&strtab, base + eh.e_shoff + static_cast<size_t>(sh.sh_link) * eh.e_shentsize, sizeof strtab);
        for (size_t k = 0; k < sh.sh_size / sizeof(Elf64_Sym); ++k) {
            Elf64_Sym sym;
            std::memcpy(&sym, base + sh.sh_offset + k * sizeof(Elf64_Sym), sizeof sym);
            const int bind = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK) || sym.st_name == 0)
                continue;
            names.insert(base + strtab.sh_offset + sym.st_name);
        }
    }
    return names;
}

// A picture with ink, a red mark and some colour, 333 pixels wide so that
// packed rows are not a multiple of 4 bytes.
cv::Mat picture()
{
    cv::Mat img = pages::text({333, 250}, 3);
    cv::line(img, {20, 30}, {200, 120}, cv::Scalar(220, 30, 30), 4);
    cv::rectangle(img, {250, 180}, {320, 240}, cv::Scalar(30, 90, 200), cv::FILLED);
    return img;
}

struct Outcome {
    cv::Mat image;  // the image after the call (or the destination)
    double value = 0;
    myMat out{};
};

// One operation called the way the program calls it; `paddedDst` gives a
// destination padding after each row.
struct Op {
    const char* name;
    std::function<Outcome(pages::Buffer& img, bool paddedDst)> run;
};

Outcome destinationOf(pages::Buffer& dst)
{
    Outcome o;
    o.image = dst.pixels();
    EXPECT_TRUE(dst.paddingIs(0x5A));
    return o;
}

std::vector<Op> operations()
{
    auto inPlace = [](const char* name, std::function<double(myMat)> f) {
        return Op{name, [f](pages::Buffer& b, bool) {
                      Outcome o;
                      o.value = f(b.mat());
                      o.image = b.pixels();
                      return o;
                  }};
    };
    auto turn = [](const char* name, int type) {
        return Op{name, [type](pages::Buffer& b, bool paddedDst) {
                      myMat size{};
                      GetRotateSize(b.mat(), &size, type);
                      pages::Buffer dst(size.width, size.height, paddedDst ? size.width * 3 + 13 : 0);
                      Rotate(b.mat(), dst.mat(), type);
                      return destinationOf(dst);
                  }};
    };
    return {
        inPlace("EraserDot",
                [](myMat m) {
                    EraserDot(m, {10, 10, 100, 100});
                    return 0.0;
                }),
        inPlace("EraserRect",
                [](myMat m) {
                    EraserRect(m, {40, 20, 150, 100});
                    return 0.0;
                }),
        inPlace("Threshold",
                [](myMat m) {
                    Threshold(m);
                    return 0.0;
                }),
        inPlace("deleteRed", [](myMat m) { return static_cast<double>(deleteRed(m)); }),
        inPlace("colorBalance", [](myMat m) { return static_cast<double>(colorBalance(m)); }),
        inPlace("CalcDegree", [](myMat m) { return CalcDegree(m); }),
        inPlace("getTextHeight", [](myMat m) { return static_cast<double>(getTextHeight(m)); }),
        turn("Rotate1", 1),
        turn("Rotate2", 2),
        turn("Rotate3", 3),
        Op{"RotateAngle",
           [](pages::Buffer& b, bool paddedDst) {
               myMat size{};
               GetRotateAngleSize(b.mat(), &size, 7.5f);
               pages::Buffer dst(size.width, size.height, paddedDst ? size.width * 3 + 13 : 0);
               RotateAngle(b.mat(), dst.mat(), 7.5f);
               return destinationOf(dst);
           }},
    };
}

}  // namespace

TEST(Boundary, ExportsExactlyTheElevenOperations)
{
    const std::set<std::string> expected = {"CalcDegree",    "EraserDot", "EraserRect",   "GetRotateAngleSize",
                                            "GetRotateSize", "Rotate",    "RotateAngle",  "Threshold",
                                            "colorBalance",  "deleteRed", "getTextHeight"};
    EXPECT_EQ(expected, exportedNames(VANTREL_LIBRARY_FILE));
}

TEST(Boundary, PackedAndPaddedRowsGiveTheSameResult)
{
    const cv::Mat img = picture();
    for (const Op& op : operations()) {
        pages::Buffer packed(img, 0), padded(img, 1000, 0xA5);
        const Outcome a = op.run(packed, false);
        const Outcome b = op.run(padded, true);
        EXPECT_TRUE(pages::same(a.image, b.image)) << op.name;
        EXPECT_EQ(a.value, b.value) << op.name;
        EXPECT_TRUE(padded.paddingIs(0xA5)) << op.name << " wrote into the row padding";
    }
}

TEST(Boundary, NullPixelsRaiseExceptForEraserDotAndUnknownTurns)
{
    myMat null{nullptr, 10, 10, 0};
    pages::Buffer dst(10, 10);
    myMat out{nullptr, -1, -1, -1};
    const std::vector<std::pair<const char*, std::function<void()>>> raising = {
        {"EraserRect",
         [&] {
             EraserRect(null, {0, 0, 5, 5});
         }},
        {"Threshold", [&] { Threshold(null); }},
        {"deleteRed", [&] { deleteRed(null); }},
        {"colorBalance", [&] { colorBalance(null); }},
        {"CalcDegree", [&] { CalcDegree(null); }},
        {"getTextHeight", [&] { getTextHeight(null); }},
        {"GetRotateSize", [&] { GetRotateSize(null, &out, 1); }},
        {"GetRotateAngleSize", [&] { GetRotateAngleSize(null, &out, 10.f); }},
        {"Rotate", [&] { Rotate(null, dst.mat(), 2); }},
        {"RotateAngle", [&] { RotateAngle(null, dst.mat(), 10.f); }},
        {"Rotate into null", [&] { Rotate(dst.mat(), null, 1); }},
    };
    for (const auto& [name, call] : raising)
        EXPECT_THROW(call(), cv::Exception) << name;
    EXPECT_EQ(-1, out.width);

    EXPECT_NO_THROW(EraserDot(null, {0, 0, 5, 5}));
    for (int type : {0, 4, -1}) {
        EXPECT_NO_THROW(GetRotateSize(null, &out, type));
        EXPECT_NO_THROW(Rotate(null, null, type));
    }
    EXPECT_EQ(nullptr, out.data);
    EXPECT_EQ(-1, out.width);
    EXPECT_EQ(-1, out.height);
    EXPECT_EQ(-1, out.step);
}

TEST(Boundary, NegativeSizesAreRefusedBeforeAnyPixelIsTouched)
{
    const cv::Mat img = picture();
    const std::vector<std::pair<const char*, void (*)(myMat)>> calls = {
        {"EraserRect",
         [](myMat m) {
             EraserRect(m, {0, 0, 50, 50});
         }},
        {"Threshold", [](myMat m) { Threshold(m); }},
        {"deleteRed", [](myMat m) { deleteRed(m); }},
        {"colorBalance", [](myMat m) { colorBalance(m); }},
        {"CalcDegree", [](myMat m) { CalcDegree(m); }},
        {"getTextHeight", [](myMat m) { getTextHeight(m); }},
        {"GetRotateSize",
         [](myMat m) {
             myMat out{};
             GetRotateSize(m, &out, 1);
         }},
        {"GetRotateAngleSize",
         [](myMat m) {
             myMat out{};
             GetRotateAngleSize(m, &out, 5.f);
         }},
    };
    // A negative stride would pass a size check as a huge unsigned number.
    const std::vector<myMat (*)(myMat)> spoil = {
        [](myMat m) {
            m.step = -m.width * 3;
            return m;
        },
        [](myMat m) {
            m.width = -m.width;
            return m;
        },
        [](myMat m) {
            m.height = -m.height;
            return m;
        },
    };
    for (size_t k = 0; k < spoil.size(); ++k) {
        for (const auto& [name, call] : calls) {
            pages::Buffer b(img, 1000);
            const std::vector<unsigned char> before = b.bytes;
            EXPECT_THROW(call(spoil[k](b.mat())), cv::Exception) << name << " case " << k;
            EXPECT_EQ(before, b.bytes) << name << " case " << k;
        }
        pages::Buffer src(img, 1000), dst(img.rows, img.cols, 0);
        const std::vector<unsigned char> before = dst.bytes;
        EXPECT_THROW(Rotate(spoil[k](src.mat()), dst.mat(), 1), cv::Exception) << k;
        EXPECT_THROW(Rotate(src.mat(), spoil[k](dst.mat()), 1), cv::Exception) << k;
        EXPECT_THROW(RotateAngle(spoil[k](src.mat()), dst.mat(), 1.f), cv::Exception) << k;
        EXPECT_EQ(before, dst.bytes) << k;
    }
}

TEST(Boundary, DestinationOfAnotherSizeStaysUntouched)
{
    const cv::Mat img = picture();
    pages::Buffer src(img);
    for (int type : {1, 2, 3}) {
        myMat size{};
        GetRotateSize(src.mat(), &size, type);
        for (const cv::Size off : {cv::Size(1, 0), cv::Size(0, -1), cv::Size(-1, 1)}) {
            pages::Buffer dst(size.width + off.width, size.height + off.height, 0, 0x33);
            const std::vector<unsigned char> before = dst.bytes;
            EXPECT_NO_THROW(Rotate(src.mat(), dst.mat(), type));
            EXPECT_EQ(before, dst.bytes) << "type " << type;
        }
    }
    myMat size{};
    GetRotateAngleSize(src.mat(), &size, 12.f);
    for (const cv::Size off : {cv::Size(1, 0), cv::Size(0, -1)}) {
        pages::Buffer dst(size.width + off.width, size.height + off.height, 0, 0x33);
        const std::vector<unsigned char> before = dst.bytes;
        EXPECT_NO_THROW(RotateAngle(src.mat(), dst.mat(), 12.f));
        EXPECT_EQ(before, dst.bytes);
    }
}
