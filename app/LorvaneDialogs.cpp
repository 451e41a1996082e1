// The main window's parts that reach the other windows of the program: the
// dialogs of the settings menu and of the grade, term and subject buttons,
// the statistics tab and the start-up worker.
#include "app/Lorvane.h"
#include "library/dataStatistics.h"

#include <QWidget>

#include <string>

QWidget* Lorvane::createStatisticsTab() { return new dataStatistics(nullptr); }

void Lorvane::refreshStatisticsTab()
{
    if (auto* tab = qobject_cast<dataStatistics*>(statistics))
        tab->StartStatistical();
}

void Lorvane::editBaseData(int) {}

void Lorvane::menu_userInfo_triggered() {}

void Lorvane::menu_phraseSet_triggered() {}

void Lorvane::menu_systemSet_triggered() {}

void Lorvane::menu_about_triggered() {}

void Lorvane::userSuggestion_triggered() {}

void Lorvane::startWorker() {}

void Lorvane::slot_update() {}

void Lorvane::slot_advertisement() {}
