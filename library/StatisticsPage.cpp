#include "library/StatisticsPage.h"

#include <QLabel>
#include <QPixmap>

#include "library/ChartLabel.h"
#include "ui/AwaitTask.h"
#include "ui/QMessageBoxBase.h"

namespace statistics {

Selection currentSelection()
{
    const AppContext* context = AppContext::instance();
    return Selection{context->user.id, context->grade.id, context->term.id, context->subject.id};
}

bool fetchFigures(QWidget* page, const std::function<int(std::string& err)>& fetch)
{
    std::string err;
    const int rc = awaitTask([&] { return fetch(err); }, err);
    if (rc == 0)
        return true;
    QMessageBoxBase::information(page, QStringLiteral("提示"), QString::fromUtf8(err.c_str()));
    return false;
}

QLabel* newChartLabel(QWidget* parent)
{
    auto* label = new ChartLabel(parent);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void showChartImage(QLabel* label, const QByteArray& bytes)
{
    QPixmap pixmap;
    pixmap.loadFromData(bytes);
    label->setPixmap(pixmap);
}

}  // namespace statistics
