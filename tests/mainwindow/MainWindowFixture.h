#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QSettings>
#include <QStringList>
#include <QTest>

#include <memory>
#include <string>

#include "app/Lorvane.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "library/DetailcListWidget.h"
#include "library/QuestionFixture.h"
#include "service/WebAddress.h"
#include "service/httpUtil.h"
#include "support/ScriptedServer.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

// A main window on a real database; every dialog it opens is recorded and
// answered at once, the web-service client points at a loopback port.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fixture::openDatabase();
        pointServiceAt(closedLoopbackPort());
        boxes.onDialog([this](QDialog& dialog) {
            shown << QString::fromLatin1(dialog.metaObject()->className());
            shownTitles << dialog.windowTitle();
            if (onDialog)
                return onDialog(dialog);
            return 0;
        });
        boxes.onUrl([this](const QUrl& url) {
            opened << url.toString();
            return true;
        });
    }
    void TearDown() override { window.reset(); }

    // Section [General] of the settings file, read again by the client.
    static void pointServiceAt(int port)
    {
        {
            QSettings ini(QStringLiteral("Lorvane.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("host"), QStringLiteral("127.0.0.1"));
            ini.setValue(QStringLiteral("port"), QString::number(port));
            ini.setValue(QStringLiteral("project"), QStringLiteral("svc"));
        }
        Singleton<httpUtil>::instance()->loadAddress();
    }

    // Builds the window, shows it and waits until the start-up slot has run.
    void start()
    {
        window = std::make_unique<Lorvane>(nullptr);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->subjectList()->count() > 0; }, 5000));
    }

    // Waits until the start-up worker has finished and its signals are handled.
    void waitForWorker()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->workerThread()->isFinished(); }, 30000));
        QTest::qWait(50);
    }

    ModalRecorder boxes;
    std::unique_ptr<Lorvane> window;
    QStringList shown;
    QStringList shownTitles;
    QStringList opened;
    std::function<int(QDialog&)> onDialog;
};
