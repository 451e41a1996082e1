#include <gtest/gtest.h>

#include <QFile>

TEST(Resources, StyleSheetIsCompiledIn)
{
    EXPECT_TRUE(QFile::exists(QStringLiteral(":/Lorvane/Resources/ui/lorvane.qss")));
}
