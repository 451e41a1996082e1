// libzip is opened at the first call of one of its functions: a process that
// has written no Word document has not mapped it (nor libcrypto, which it
// brings), and the stand-ins forward to libzip's own functions.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <zip.h>

#include <string>

#include "LazyLibrary.h"
#include "export/docx/Package.h"

namespace {

bool mapped(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

std::string objectOf(void* function)
{
    Dl_info info{};
    return dladdr(function, &info) && info.dli_fname ? info.dli_fname : "";
}

}  // namespace

TEST(LazyZip, LibzipIsOpenedByTheFirstDocumentAndServesTheStandIns)
{
    ASSERT_FALSE(mapped("libzip")) << "libzip was mapped before any document";
    EXPECT_FALSE(mapped("libcrypto"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("parts.docx"));
    docx::Package written;
    written.setBytes("word/document.xml", "<w:document/>", true);
    written.setBytes("media/image1.png", std::string(1000, 'x'), false);
    std::string err;
    ASSERT_TRUE(written.write(path, err)) << err;
    EXPECT_TRUE(mapped("libzip"));

    docx::Package read;
    ASSERT_TRUE(read.read(path, err)) << err;
    EXPECT_EQ(read.bytes("word/document.xml"), "<w:document/>");
    EXPECT_EQ(read.bytes("media/image1.png"), std::string(1000, 'x'));

    // The program's zip_open is its stand-in; libzip's is libzip's own.
    const std::string standIn = objectOf(reinterpret_cast<void*>(&zip_open));
    EXPECT_EQ(standIn.find("libzip"), std::string::npos) << standIn;
}

TEST(LazyLibrary, AMissingLibraryGivesNoFunctions)
{
    const LazyLibrary missing("liblorvane-missing.so.0");
    EXPECT_FALSE(missing.available());
    EXPECT_NE(missing.failure().find("liblorvane-missing.so.0"), std::string::npos) << missing.failure();
    EXPECT_EQ(missing.function<int (*)()>("zip_open"), nullptr);

    const LazyLibrary math("libm.so.6");
    ASSERT_TRUE(math.available());
    EXPECT_EQ(math.failure(), "");
    const auto cosine = math.function<double (*)(double)>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(math.function<void (*)()>("lorvane_no_such_function"), nullptr);
}
