#include "export/DetailSpaceWidget.h"

#include <QHeaderView>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/Settings.h"

namespace {

const char* const kKey = "DetailSpace";

QVariantMap storedSpace()
{
    return getIniValue<QVariantMap>(QString::fromLatin1(kKey), QVariantMap());
}

}  // namespace

std::map<std::string, int> getDetailSpace(std::vector<std::string> types)
{
    const QVariantMap stored = storedSpace();
    std::map<std::string, int> result;
    for (const std::string& name : types) {
        const QString key = QString::fromUtf8(name.c_str(), static_cast<int>(name.size()));
        result[name] = stored.contains(key) ? stored.value(key).toInt() : 1;
    }
    return result;
}

DetailSpaceWidget::DetailSpaceWidget(std::vector<std::string> types, QWidget* parent) : QDialogBase(parent)
{
    setWindowTitle(QStringLiteral("题目间隔"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);

    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("tableWidget"));
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustIgnored);
    table_->setShowGrid(true);
    table_->setGridStyle(Qt::DotLine);
    table_->setColumnCount(2);
    table_->horizontalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setStretchLastSection(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    addLayout(layout);

    detailSpace = storedSpace();
    table_->setRowCount(static_cast<int>(types.size()));
    for (int row = 0; row < static_cast<int>(types.size()); ++row) {
        const std::string& type = types[static_cast<size_t>(row)];
        const QString name = QString::fromUtf8(type.c_str(), static_cast<int>(type.size()));
        const int value = detailSpace.contains(name) ? detailSpace.value(name).toInt() : 1;
        addRow(row, name, value);
    }
}

DetailSpaceWidget::~DetailSpaceWidget() = default;

void DetailSpaceWidget::addRow(int row, QString name, int value)
{
    auto* item = new QTableWidgetItem(name);
    item->setFlags(item->flags() & ~(Qt::ItemIsEditable | Qt::ItemIsSelectable));
    table_->setItem(row, 0, item);

    auto* spin = new QSpinBox(table_);
    spin->setRange(1, 20);
    spin->setValue(value);
    spin->setSuffix(QStringLiteral("行"));
    table_->setCellWidget(row, 1, spin);
    // Connected after the value is set: building the rows stores nothing.
    connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this, &DetailSpaceWidget::valueChanged);
}

void DetailSpaceWidget::valueChanged(int)
{
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QTableWidgetItem* item = table_->item(row, 0);
        const auto* spin = qobject_cast<QSpinBox*>(table_->cellWidget(row, 1));
        if (item && spin)
            detailSpace[item->text()] = spin->value();
    }
    setIniValue(QString::fromLatin1(kKey), detailSpace);
}
