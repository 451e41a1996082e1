// The main window's parts that reach the other windows of the program: the
// dialogs of the settings menu and of the grade, term and subject buttons,
// the statistics tab and the start-up worker with its version offer and notice.
#include "app/Lorvane.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <string>
#include <vector>

#include "app/AboutDialog.h"
#include "app/QDataBaseSet.h"
#include "app/QPhraseBookSet.h"
#include "app/QSystemSet.h"
#include "app/Version.h"
#include "library/DetailcListWidget.h"
#include "library/dataStatistics.h"
#include "service/Infomation.h"
#include "service/UserInfomation.h"
#include "service/UserSuggestion.h"
#include "service/WebAddress.h"
#include "service/WorkerClient.h"
#include "ui/Modal.h"

dataStatistics* Lorvane::createStatisticsTab()
{
    return new dataStatistics(nullptr);
}

void Lorvane::refreshStatisticsTab()
{
    statistics->StartStatistical();
}

void Lorvane::editBaseData(int page)
{
    {
        QDataBaseSet dialog(page, nullptr);
        modal::exec(dialog);
    }
    std::string err;
    if (loadBaseData(err) == 0)
        update_grade_term_subject();
}

void Lorvane::menu_userInfo_triggered()
{
    UserInfomation dialog(nullptr);
    modal::exec(dialog);
}

void Lorvane::userSuggestion_triggered()
{
    UserSuggestion dialog(nullptr);
    modal::exec(dialog);
}

void Lorvane::menu_phraseSet_triggered()
{
    QPhraseBookSet dialog(nullptr);
    dialog.addObserver(this);
    modal::exec(dialog);
}

void Lorvane::menu_systemSet_triggered()
{
    QSystemSet dialog(nullptr);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    dialog.resize(available * 0.5);
    connect(&dialog, &QSystemSet::detail_order_changed, detailList, &DetailcListWidget::detail_order_changed);
    connect(&dialog, &QSystemSet::state_cion_changed, detailList, &DetailcListWidget::state_cion_changed);
    modal::exec(dialog);
}

void Lorvane::menu_about_triggered()
{
    about dialog(nullptr);
    dialog.setWindowTitle(QStringLiteral("关于"));
    modal::exec(dialog);
}

// ---------------------------------------------------------------- start-up worker

void Lorvane::startWorker()
{
    if (worker || thread.isRunning())
        return;
    worker = new WorkerClient(nullptr);
    worker->moveToThread(&thread);
    connect(&thread, &QThread::started, worker, &WorkerClient::doWork, Qt::QueuedConnection);
    connect(worker, &WorkerClient::sgn_update, this, &Lorvane::slot_update, Qt::QueuedConnection);
    connect(worker, &WorkerClient::sgn_advertisement, this, &Lorvane::slot_advertisement, Qt::QueuedConnection);
    connect(worker, &WorkerClient::sgn_exit, &thread, &QThread::exit, Qt::QueuedConnection);
    thread.start(QThread::InheritPriority);
}

void Lorvane::slot_update()
{
    if (!worker)
        return;
    const _version_t offer = worker->version;
    if (!isNewerVersion(offer.version))
        return;
    std::vector<QString> lines;
    for (const std::string& line : offer.information)
        lines.push_back(QString::fromUtf8(line.c_str()));
    Infomation dialog(QString::fromUtf8(offer.title.c_str()).toHtmlEscaped(), lines, QStringLiteral("官网下载"),
                      QStringLiteral("下次再说"), nullptr);
    if (modal::exec(dialog) == 1)
        openWebAddress(QString::fromUtf8(offer.url.c_str()));
}

void Lorvane::slot_advertisement()
{
    if (!worker)
        return;
    const _advertisement_t notice = worker->advertisement;
    detailList->setAdvertisement(notice);
}
