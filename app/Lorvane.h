#pragma once

#include <QThread>

#include <string>

#include "core/IObserver.h"
#include "core/Singleton.h"
#include "ui/QDialogBase.h"

class DetailcListWidget;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QStackedLayout;
class QTabWidget;
class WorkerClient;
class dataStatistics;
class myTabBar;
class myTreeWidget;

// The program's main window: grade, term and subject buttons on top, the
// subject list and the mastery tree on the left, the question list and the
// statistics as tabs on the right. Half a second after the event loop first
// runs with it built, it loads the base data, selects the first subject, shows
// the first-run tip and starts the start-up worker on a thread of its own.
class Lorvane : public QDialogBase, public IObserver, public Singleton<Lorvane> {
    Q_OBJECT
public:
    explicit Lorvane(QWidget* parent = nullptr);
    ~Lorvane() override;

    // Reads the user's base data into AppContext. 0, or -1 with err filled
    // (the context is then unchanged).
    int loadBaseData(std::string& err);

    // IObserver: a dialog chose the subject at index of AppContext::subjects.
    void notify(int index) override;

    // The settings menu with its six entries (the caller runs and deletes it).
    QMenu* buildSettingsMenu();

    // The first-run tip (set_tips.png) for three seconds, its arrow at the
    // lower edge of the title bar's settings button; it follows the button
    // when the window is resized while it is shown.
    void showFirstRunTip();

    // For tests and the benchmark.
    myTabBar* tabBar() const { return tabbar; }
    myTreeWidget* tree() const { return treeWidget; }
    QListWidget* subjectList() const { return listSubject; }
    QPushButton* gradeButton() const { return btnGrade; }
    QPushButton* termButton() const { return btnTerm; }
    QPushButton* subjectButton() const { return btnSubject; }
    QTabWidget* mainTabs() const { return tabWidget; }
    DetailcListWidget* questionList() const { return detailList; }
    QThread* workerThread() { return &thread; }
    const WorkerClient* workerClient() const { return worker; }
    QLabel* tipLabel() const { return labelTip; }

public slots:
    void detailNumberChanged(int once, int twice, int thrice);
    void update_grade_term_subject();
    void animation_finished();
    void timeout();
    void currentChanged(int index);
    void on_btnGrade_clicked();
    void on_btnTerm_clicked();
    void on_btnSubject_clicked();
    void set_clicked();
    void menu_userInfo_triggered();
    void menu_basicData_triggered();
    void menu_phraseSet_triggered();
    void menu_systemSet_triggered();
    void menu_about_triggered();
    void userSuggestion_triggered();
    void slot_update();
    void slot_advertisement();
    void list_itemClicked(QListWidgetItem* item);
    void tree_itemClicked(int item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape, which would reject (and so close) a dialog, does nothing here:
    // the main window ends only through its close button.
    void keyPressEvent(QKeyEvent* event) override;
    void titleBar_buttonClicked(int id) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Puts the first-run tip's arrow at the settings button.
    void placeTip();
    // Refreshes the tab that is current from AppContext.
    void refreshCurrentTab();
    // Runs the base-data dialog on a page, then reloads the base data.
    void editBaseData(int page);
    // Starts the start-up worker on its thread.
    void startWorker();
    // Tells the worker to stop and waits for its thread.
    void stopWorker();
    // The statistics tab and its refresh.
    dataStatistics* createStatisticsTab();
    void refreshStatisticsTab();

    myTabBar* tabbar = nullptr;
    myTreeWidget* treeWidget = nullptr;
    QListWidget* listSubject = nullptr;
    QPushButton* btnGrade = nullptr;
    QPushButton* btnTerm = nullptr;
    QPushButton* btnSubject = nullptr;
    QTabWidget* tabWidget = nullptr;
    DetailcListWidget* detailList = nullptr;
    dataStatistics* statistics = nullptr;
    WorkerClient* worker = nullptr;
    QThread thread;
    QLabel* labelTip = nullptr;
};
