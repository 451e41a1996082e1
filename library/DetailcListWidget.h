#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "core/IDatabase.h"
#include "core/Records.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QToolButton;
class SearchWidget;

// The question library: the questions of the current user, grade, term and
// subject, twenty to a page, ordered by number, filtered by the navigation's
// mastery choice and by a plain keyword or the advanced search conditions.
// After every reload it counts, in the background, the not-mastered questions
// got wrong once, twice and three times and reports them.
class DetailcListWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageSize = 20;
    static constexpr int kColumns = 11;
    // Width of the mastery pictures state/<style>-<n>.png.
    static constexpr int kStatePictureWidth = 72;

    explicit DetailcListWidget(QWidget* parent = nullptr, bool compact = false);
    ~DetailcListWidget() override;

    // The list's filter for a page starting at offset.
    query_data makeQuery(int offset) const;

    // Count and page of the current filter, each as an awaited task.
    // 0 on success, -1 with err filled; queryPage replaces list only on success.
    int queryCount(int& count, std::string& err);
    int queryPage(int offset, std::vector<_detail_t>& list, std::string& err);

    // Starts the background count of the current user, grade, term and subject.
    void countStates();

    // "第%1/%2页(共%3道题)" for a page offset and a total.
    static QString pageText(int offset, int total);
    // The mastery picture of a question in an icon style.
    static QString statePicture(int style, const _detail_t& detail);

    const std::vector<_detail_t>& details() const { return pageDetails; }
    int offset() const { return pageOffset; }
    int total() const { return totalCount; }
    bool isExactMode() const { return exactMode; }
    int iconStyle() const { return stateIconStyle; }
    int order() const { return detailOrder; }
    bool isCompact() const { return compact; }
    QTableWidget* table() const { return tableWidget; }
    QLineEdit* searchLine() const { return editSearch; }
    QLabel* pageLabel() const { return labelPage; }
    QLabel* noticeLink() const { return labelAdvertise; }
    QLabel* noticeIcon() const { return labelAdvertiseIcon; }

    // Shows a notice: the mark and a link with the notice's title.
    void setAdvertisement(_advertisement_t advertisement);
    const _advertisement_t& notice() const { return advertisement; }

    // The rows an operation applies to: the ticked rows in row order, else
    // the table's selected row.
    std::vector<int> targetRows() const;
    // The context menu for the current ticks and selection (parent: the
    // list); null when the page holds no question, when there is no target
    // row, or when a target row holds no question.
    QMenu* createContextMenu();

signals:
    // Not-mastered questions got wrong once, twice, three times or more.
    void detailNumberChanged(int once, int twice, int thrice);
    void rowChanged(int row);

public slots:
    void loadData();
    void show_detail();
    void setPoint(std::string point);
    void setSearchMode(bool bExact);
    void hideHeader();
    void clearContents();
    void detail_order_changed(int index);
    void state_cion_changed(int index);
    virtual void btnexport_hotPoints_clicked();

    // The context menu's entries, in menu order.
    void menu_open_triggered();
    void menu_delete_triggered();
    void menu_mastered_triggered();
    void menu_source_triggered();
    void menu_remark_triggered();
    void menu_move_triggered();
    void menu_export_triggered();
    void menu_exportAll_triggered();
    // 预览 and the double click: the viewer on the current row.
    void itemDoubleClicked(QTableWidgetItem* item);
    void select_all_stateChanged(int state);
    // "题目收录": the capture window, then a reload.
    void btnImport_clicked();
    // "导出全部".
    void btnExport_clicked();

protected slots:
    void textChanged(const QString& text);
    void btnSearch_clicked();
    void btnSearch_clicked_more();
    void previous_page_clicked();
    void next_page_clicked();
    void labelAdvertise_linkActivated(const QString& link);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    // Opens the export dialog on list, titled title, or title + "(旧版)"
    // when the setting export_style is not 0.
    void openExportDialog(const std::vector<_detail_t>& list, const QString& title);

    QPushButton* btnImport = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnExportPoints = nullptr;
    QLineEdit* editSearch = nullptr;
    QToolButton* btnSearch = nullptr;
    QPushButton* btnSearchMore = nullptr;
    QTableWidget* tableWidget = nullptr;
    QCheckBox* checkSelectAll = nullptr;
    QToolButton* btnPrevious = nullptr;
    QToolButton* btnNext = nullptr;
    QLabel* labelAdvertiseIcon = nullptr;
    QLabel* labelAdvertise = nullptr;
    QLabel* labelPage = nullptr;

    bool compact = false;
    std::vector<_detail_t> pageDetails;
    int pageOffset = 0;
    int totalCount = 0;
    int stateIconStyle = 3;
    int detailOrder = 0;
    bool exactMode = false;

    // The advanced conditions.
    int number_from = 0;
    int number_to = 0;
    int classification = 0;
    std::string point;
    int cause = 0;
    int questiontype = 0;
    std::string source;
    std::string remark;
    std::string date_from;
    std::string date_to;

    _advertisement_t advertisement;

private:
    void setupOperations();
    // The ids of the questions of rows, in that order.
    std::vector<int> idsOf(const std::vector<int>& rows) const;
    // Runs change as an awaited task; a failure shows its text, a success
    // reloads the list. True on success.
    bool applyChange(const std::function<int(std::string&)>& change);
    // 修改题目来源 / 修改备注: the input takes at most maxLength characters,
    // as many as the question's form takes for the field.
    void changeText(const QString& title, const QString& label,
                    int (IDatabase::*write)(std::vector<int>, std::string, std::string&), int maxLength);

    // Shared with the background counts: the list while it exists, and the
    // number of the latest reload.
    struct CountChannel;
    std::shared_ptr<CountChannel> countChannel;
    int reloadGeneration = 0;
};
