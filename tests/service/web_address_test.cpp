#include <gtest/gtest.h>

#include <QUrl>

#include "service/WebAddress.h"
#include "ui/ModalRecorder.h"

namespace {

TEST(WebAddress, OnlyHttpAndHttpsAreOpened)
{
    struct Case {
        const char* address;
        bool opened;
    };
    const Case cases[] = {
        {"http://example.com/download", true},
        {"https://example.com/a?b=1#c", true},
        {"HTTPS://EXAMPLE.COM", true},
        {"  http://example.com  ", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"ftp://example.com/x", false},
        {"/usr/bin/xterm", false},
        {"example.com", false},
        {"http://", false},
        {"", false},
    };
    ModalRecorder modals;
    QList<QUrl> opened;
    modals.onUrl([&](const QUrl& url) {
        opened << url;
        return true;
    });
    for (const Case& c : cases) {
        opened.clear();
        EXPECT_EQ(openWebAddress(QString::fromUtf8(c.address)), c.opened) << c.address;
        EXPECT_EQ(opened.size(), c.opened ? 1 : 0) << c.address;
        EXPECT_EQ(isWebAddress(QString::fromUtf8(c.address)), c.opened) << c.address;
    }
}

}  // namespace
