#include "library/DetailcListWidget_statisticsPoint.h"

#include <QPushButton>

DetailcListWidget_statisticsPoint::DetailcListWidget_statisticsPoint(QWidget* parent)
    : DetailcListWidget(parent, true)
{
    if (btnExport)
        btnExport->setText(QStringLiteral("导出当前考点"));
    hideHeader();
}

DetailcListWidget_statisticsPoint::~DetailcListWidget_statisticsPoint() = default;

void DetailcListWidget_statisticsPoint::btnexport_hotPoints_clicked() {}
