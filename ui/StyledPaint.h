#pragma once

class QWidget;

// Lets the application style sheet paint the background and border of a
// class that derives from QWidget (Qt only does this by itself for plain
// QWidget, QDialog, QFrame and a few others). Call it from paintEvent:
//
//     void MyPanel::paintEvent(QPaintEvent* e)
//     {
//         paintStyledBackground(this);
//         QWidget::paintEvent(e);
//     }
void paintStyledBackground(QWidget* widget);
