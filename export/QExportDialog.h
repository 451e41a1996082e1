#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QStringList>

#include "core/Records.h"
#include "ui/QDialogBase.h"

class IWordExport;
class QButtonGroup;
class QLineEdit;
class QTemporaryDir;

// The export dialog: the kind of document (原题重做: questions and answers;
// 错题再现: the re-do document), the attributes printed, the order, the
// blank space per question type, the title, the file name and the target
// folder of an export of a list of questions; 导出 runs the export. Every
// choice is kept in the settings.
//
// When the data folder's path is not pure ASCII, the folders of the listed
// questions are copied, before the dialog shows, into a private temporary
// folder that the export reads from; it is removed with the dialog. A
// question whose copy failed is reported once and read from the data folder
// itself.
//
// The opener passes a non-empty list that outlives the dialog, sets the
// window title, and runs the dialog only when isReady().
class QExportDialog : public QDialogBase {
    Q_OBJECT
public:
    QExportDialog(const std::vector<_detail_t>* list, _type_t gradeType, _type_t termType, _type_t subjectType,
                  QWidget* parent = nullptr);
    ~QExportDialog() override;

    // False when the construction stopped (the temporary folder could not
    // be made); such a dialog must never be shown.
    bool isReady() const { return ready_; }

    void titleBar_buttonClicked(int id) override;
    // "使用帮助".
    void showHelp();
    // The names of the question types of the list, each once, in the order
    // of their first occurrence.
    std::vector<std::string> questionTypeNames() const;

    // The folder under which item/<user folder>/<detail_path>/ is read.
    const std::string& root() const { return dataRoot; }
    bool copied() const { return tempCopied; }
    int style() const { return exportStyle; }
    QButtonGroup* typeGroup() const { return typeGroup_; }
    QButtonGroup* optionGroup() const { return optionGroup_; }
    QButtonGroup* orderGroup() const { return orderGroup_; }
    QLineEdit* titleEdit() const { return titleEdit_; }
    QLineEdit* fileNameEdit() const { return fileNameEdit_; }
    QLineEdit* pathEdit() const { return pathEdit_; }
    const std::vector<_detail_t>& list() const { return *questions; }

public slots:
    void clicked_btn_space();
    void title_textChanged(QString text);
    void clicked_create();
    void clicked_path();
    void clicked_view();
    void buttonClicked_type(int id);
    void buttonClicked_option(int id);
    void buttonClicked_order(int id);

private:
    void buildForm();
    void restoreChoices();
    bool prepareDataRoot();
    bool copyQuestions();
    int optionMask() const;

    // The run (ExportRun.cpp).
    std::string rootFor(const _detail_t& question) const;
    std::string questionFile(const _detail_t& question, const char* name) const;
    void fillExporter(IWordExport& exporter, int options, const QString& folder, const QString& fileName) const;
    bool confirmOverwrite(const QStringList& paths);
    bool runStep(IWordExport& exporter, int (IWordExport::*step)(std::string&), const QString& failure);
    bool exportQuestionsAndAnswers(IWordExport& exporter, const std::vector<_detail_t>& list);
    bool exportReappearance(IWordExport& exporter, const std::vector<_detail_t>& list);

    int exportStyle = 0;
    bool tempCopied = false;
    std::string dataRoot;
    const std::vector<_detail_t>* questions;
    _type_t grade;
    _type_t term;
    _type_t subject;

    bool ready_ = true;
    std::unique_ptr<QTemporaryDir> tempDir_;
    std::set<std::string> copyFailed_;  // detail_path of questions read from the data folder
    QButtonGroup* typeGroup_ = nullptr;
    QButtonGroup* optionGroup_ = nullptr;
    QButtonGroup* orderGroup_ = nullptr;
    QLineEdit* titleEdit_ = nullptr;
    QLineEdit* fileNameEdit_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
};
