#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

// The mastery row of the question form: a read-only line with the question's
// state ("初次出错", "重复出错", "多次出错" or "已掌握") and the two buttons
// 已掌握 (btn_mastered) and 又做错了 (btn_mistakeAgain). The buttons carry no
// text; the application style sheet draws them 20 x 20 with state_0.png and
// state_1.png, selected by their object names.
//
// The widget only shows and reports: the form's mastery machine decides what
// a click does and calls setText / setButtonVisible.
class StateChangeWidget : public QWidget {
    Q_OBJECT
public:
    explicit StateChangeWidget(QWidget* parent = nullptr);
    ~StateChangeWidget() override;

    // which 0: btn_mastered; any other value: btn_mistakeAgain. Uses
    // setVisible, so a hidden form still remembers what its buttons show.
    void setButtonVisible(int which, bool visible);
    // The state line's text.
    void setText(QString text);

    // For the form and for tests.
    QString text() const;
    // Whether the button would be shown when its form is shown.
    bool buttonShown(int which) const;
    QToolButton* masteredButton() const { return btnMastered_; }
    QToolButton* mistakeAgainButton() const { return btnMistakeAgain_; }

signals:
    void mastered_clicked();
    void mistakeAgain_clicked();

private:
    QToolButton* makeButton(const char* objectName, const QString& toolTip);

    QLineEdit* lineState_ = nullptr;
    QToolButton* btnMastered_ = nullptr;
    QToolButton* btnMistakeAgain_ = nullptr;
};
