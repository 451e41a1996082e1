#pragma once

#include <QVariantMap>

#include <map>
#include <string>
#include <vector>

#include "ui/QDialogBase.h"

class QTableWidget;

// The blank lines left after each question of the questions document, by
// question-type name, kept in the setting "DetailSpace" (a map of name to
// count). Unknown types get 1.
std::map<std::string, int> getDetailSpace(std::vector<std::string> types);

// "题目间隔": one row per question type with a spin box of 1 to 20 lines.
// Every change stores the counts of all rows at once; there is no OK or
// cancel, closing the window ends it. Entries of types not shown stay as
// they are.
class DetailSpaceWidget : public QDialogBase {
    Q_OBJECT
public:
    // types: question-type names (UTF-8), one row each, in this order.
    explicit DetailSpaceWidget(std::vector<std::string> types, QWidget* parent = nullptr);
    ~DetailSpaceWidget() override;

    void addRow(int row, QString name, int value);
    QTableWidget* table() const { return table_; }

public slots:
    void valueChanged(int i);

private:
    QVariantMap detailSpace;
    QTableWidget* table_ = nullptr;
};
