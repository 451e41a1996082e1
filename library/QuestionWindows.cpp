#include "library/QuestionWindows.h"

QuestionWindows& QuestionWindows::instance()
{
    static QuestionWindows windows;
    return windows;
}
