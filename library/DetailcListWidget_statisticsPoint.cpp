#include "library/DetailcListWidget_statisticsPoint.h"

#include <QPushButton>

#include <algorithm>

#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "ui/QMessageBoxBase.h"

DetailcListWidget_statisticsPoint::DetailcListWidget_statisticsPoint(QWidget* parent) : DetailcListWidget(parent, true)
{
    if (btnExport)
        btnExport->setText(QStringLiteral("导出当前考点"));
    hideHeader();
}

DetailcListWidget_statisticsPoint::~DetailcListWidget_statisticsPoint() = default;

void DetailcListWidget_statisticsPoint::btnexport_hotPoints_clicked()
{
    if (hotPoints.empty())
        return;
    const AppContext* ctx = AppContext::instance();
    query_data query;
    query.user_id = ctx->user.id;
    query.grade = ctx->grade.id;
    query.term = ctx->term.id;
    query.subject = ctx->subject.id;
    query.state = ctx->state;
    query.times = ctx->times;
    query.order = detailOrder;
    query.points = hotPoints;
    std::vector<_detail_t> list;
    std::string err;
    // A quick read on the GUI thread, without the busy dialog.
    if (Singleton<sqlite>::instance()->queryPointDetails(query, list, err) != 0) {
        QMessageBoxBase::information(this, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
        return;
    }
    if (list.empty())
        return;
    std::stable_sort(list.begin(), list.end(),
                     [](const _detail_t& a, const _detail_t& b) { return a.number < b.number; });
    openExportDialog(list, QStringLiteral("导出全部考点"));
}
