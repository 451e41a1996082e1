#pragma once

#include <QString>

// The password digest that the account dialogs send in place of a password:
// the MD5 of the password's UTF-8 bytes as 32 lower-case hexadecimal digits.
QString getMd5(QString password);
