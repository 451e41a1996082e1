#pragma once

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

// The password fields of the account dialogs: hidden echo, input methods on,
// at least 30 pixels high, at most 20 characters, restricted by `pattern`.
inline QLineEdit* makePasswordField(QWidget* parent, const char* objectName,
                                    const QString& pattern = QStringLiteral("[a-zA-Z0-9_-]+$"))
{
    QLineEdit* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setEchoMode(QLineEdit::Password);
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    field->setMinimumHeight(30);
    field->setMaxLength(20);
    field->setToolTip(QStringLiteral(
        "<ul><li>不能包含空格</li><li>长度6-20个字符</li><li>只能包含数字、字母 '-' '_' '.'</li></ul>"));
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), field));
    return field;
}
