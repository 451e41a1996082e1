// The phrase menus and the completion of the form's three text lines, both
// fed by the phrase store in its current context.

#include <QAction>
#include <QCompleter>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QStringListModel>

#include <string>
#include <vector>

#include "capture/question/QTopicInfo.h"
#include "core/PhraseBook.h"

namespace {

QTopicInfo::MenuRunner& menuRunnerSlot()
{
    static QTopicInfo::MenuRunner runner;
    return runner;
}

QAction* runMenu(QMenu& menu)
{
    if (const QTopicInfo::MenuRunner& runner = menuRunnerSlot())
        return runner(menu);
    return menu.exec(QCursor::pos());
}

QStringList toStringList(const std::vector<std::string>& names, int limit)
{
    QStringList list;
    for (const std::string& name : names) {
        if (list.size() >= limit)
            break;
        list << QString::fromStdString(name);
    }
    return list;
}

}  // namespace

void QTopicInfo::setMenuRunner(MenuRunner runner)
{
    menuRunnerSlot() = std::move(runner);
}

QStringList QTopicInfo::phraseList(int type, int limit)
{
    std::vector<std::string> names;
    PhraseBook_db::instance()->getList(type, names);
    return toStringList(names, limit);
}

void QTopicInfo::runPhraseMenu(int type, QLineEdit* line)
{
    const QStringList list = phraseList(type, kMenuLimit);
    if (list.isEmpty())
        return;
    QMenu menu(this);
    for (const QString& phrase : list) {
        QAction* action = menu.addAction(phrase);
        action->setIconVisibleInMenu(false);
    }
    QAction* chosen = runMenu(menu);
    // Only an entry of this menu counts; its text (not the menu's
    // mnemonic-stripped label) replaces the line.
    if (chosen && menu.actions().contains(chosen))
        line->setText(chosen->text());
}

void QTopicInfo::offerCompletion(int type, QLineEdit* line, const QString& text)
{
    if (text.simplified().isEmpty())
        return;
    std::vector<std::string> names;
    PhraseBook_db::instance()->search(type, text.toStdString(), names);
    QCompleter* completer = line->completer();
    if (!completer)
        return;
    // Parented to the completer, which deletes the model it owned before.
    completer->setModel(new QStringListModel(toStringList(names, static_cast<int>(names.size())), completer));
}

void QTopicInfo::actionPoint_triggered()
{
    runPhraseMenu(PointPhrase, linePoint_);
}
void QTopicInfo::actionSource_triggered()
{
    runPhraseMenu(SourcePhrase, lineSource_);
}
void QTopicInfo::actionRemark_triggered()
{
    runPhraseMenu(RemarkPhrase, lineRemark_);
}

void QTopicInfo::lineEditPoint_textChanged(const QString& text)
{
    offerCompletion(PointPhrase, linePoint_, text);
}
void QTopicInfo::lineEditSource_textChanged(const QString& text)
{
    offerCompletion(SourcePhrase, lineSource_, text);
}
void QTopicInfo::lineEditRemark_textChanged(const QString& text)
{
    offerCompletion(RemarkPhrase, lineRemark_, text);
}
