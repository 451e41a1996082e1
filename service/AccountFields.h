#pragma once

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

// The line edits of the account and profile dialogs.

// A text field: at least 30 pixels high, at most maxLength characters.
inline QLineEdit* makeTextField(QWidget* parent, const char* objectName, int maxLength)
{
    QLineEdit* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setMinimumHeight(30);
    field->setMaxLength(maxLength);
    return field;
}

// A field for a phone number or an SMS code: digits only, input methods on.
inline QLineEdit* makeDigitField(QWidget* parent, const char* objectName, int maxLength)
{
    QLineEdit* field = makeTextField(parent, objectName, maxLength);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]+$")), field));
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    return field;
}

// A password field: hidden echo, input methods on, at most 20 characters,
// restricted by `pattern`.
inline QLineEdit* makePasswordField(QWidget* parent, const char* objectName,
                                    const QString& pattern = QStringLiteral("[a-zA-Z0-9_-]+$"))
{
    QLineEdit* field = makeTextField(parent, objectName, 20);
    field->setEchoMode(QLineEdit::Password);
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    field->setToolTip(
        QStringLiteral("<ul><li>不能包含空格</li><li>长度6-20个字符</li><li>只能包含数字、字母 '-' '_' '.'</li></ul>"));
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), field));
    return field;
}
