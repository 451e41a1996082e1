#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>

#include "core/AppContext.h"

class QLabel;
class QWidget;

namespace statistics {

// The ids a statistics page asks the database about, read from AppContext
// on the GUI thread before the worker task starts.
struct Selection {
    int user = 0;
    int grade = 0;
    int term = 0;
    int subject = 0;
};
Selection currentSelection();

// Runs fetch(err) on a worker task behind the busy dialog. On a result other
// than 0 the error text is shown under "提示" with the page as parent.
// True on success.
bool fetchFigures(QWidget* page, const std::function<int(std::string& err)>& fetch);

// A chart label (ChartLabel): expanding both ways, the picture in its
// top-left corner, scaled down to the room it gets; its size never follows
// the picture.
QLabel* newChartLabel(QWidget* parent);
// Shows chart image bytes in a chart label (an image Qt cannot read leaves
// an empty picture).
void showChartImage(QLabel* label, const QByteArray& bytes);

}  // namespace statistics
