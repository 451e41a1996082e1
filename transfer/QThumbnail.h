#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

class QListWidget;
class QMenu;

// The vertical strip of square picture thumbnails of the capture side: the
// library strip of the capture window, the document camera's shots, the
// pictures received from a phone, and the base of the captured-question list.
// It keeps the file path behind every entry, reports the current entry, and
// its context menu reorders entries and deletes them together with their
// files.
//
//     auto* strip = new QThumbnail(this);
//     connect(strip, &QThumbnail::rowChanged, this, &Window::showPage);
//     strip->addItem("documents/7.jpg");
//
// The entries and paths() always have the same length and order. Each
// picture is drawn letterboxed on a white square canvas (RGB32) whose side is
// fixed at the first show: min(width, 150) - 10. "删除" and "清空" of the menu
// call the virtual menu_delete_triggered / menu_clear_triggered, so a derived
// list replaces them for its own entries.
class QThumbnail : public QWidget {
    Q_OBJECT
public:
    explicit QThumbnail(QWidget* parent = nullptr);
    ~QThumbnail() override;

    // Appends an entry for the file; a file that cannot be read gives a white
    // square.
    void addItem(QString path);
    // Appends an entry for the file whose picture was already made (by
    // makeThumbnail at thumbnailSide(), possibly on another thread).
    void addItem(QString path, const QImage& thumbnail);
    // The side of the thumbnail square, fixed now when it was not yet.
    int thumbnailSide();
    // The path of entry index; empty when out of range.
    QString getPath(int index) const;
    // Removes every entry and path; no signal, no file touched.
    void clear();
    void setMovable(bool movable) { movable_ = movable; }

    int count() const { return paths_.size(); }
    const QStringList& paths() const { return paths_; }
    int itemWidth() const { return itemWidth_; }
    int itemHeight() const { return itemHeight_; }
    QListWidget* listWidget() const { return list_; }

    // The menu that a right click shows, with its actions connected; the
    // caller owns it.
    QMenu* createContextMenu();

    // The thumbnail of a file: the picture scaled to fit side x side, centred
    // on white (RGB32). Large pictures are decoded at reduced size; one that
    // declares more pixels than the program decodes is not decoded at all
    // (a white square, like a file that cannot be read).
    static QImage makeThumbnail(const QString& path, int side);

signals:
    // The current entry's index, or -1 once the list was emptied.
    void rowChanged(int index);

public slots:
    void setCurrentItem(int index);
    void setNextItem();
    void currentRowChanged(int currentRow);
    virtual void menu_moveup_triggered();
    virtual void menu_movedown_triggered();
    virtual void menu_delete_triggered();
    virtual void menu_clear_triggered();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupList();
    void fixItemSide();
    void swapWith(int offset);

    QListWidget* list_ = nullptr;
    QStringList paths_;
    int itemWidth_ = -1;
    int itemHeight_ = -1;
    bool movable_ = true;
};
