#pragma once

#include <QImage>
#include <QString>

#include "ui/QDialogBase.h"

class ImageViewer;
class QPushButton;

// The picture dialog "图片编辑": an image editor (cut tool) with the buttons
// 导入 and 取消, in which the user cuts and cleans a picture before it goes
// into an answer. It keeps itself centred on the first screen whenever it is
// resized.
//
//     importImage dialog(nullptr, path);     // or QString(""), then loadImage(path)
//     dialog.resize(w, h);
//     if (modal::exec(dialog) == QDialog::Accepted)
//         use(dialog.getImage());            // the edited picture
//
// Built without parent it is a window of its own; with a parent it becomes a
// panel inside that parent (QDialogBase).
class importImage : public QDialogBase {
    Q_OBJECT
public:
    // `fileName`: the picture to edit; an empty name gives an editor whose
    // only entry is a null picture, a null name an editor without entries.
    importImage(QWidget* parent, QString fileName);
    ~importImage() override;

    // Chooses the cut tool and loads the file into the editor.
    void loadImage(const QString& path);
    // The editor's current picture (a null image when there is none).
    QImage getImage() const;
    ImageViewer* editor() const { return editor_; }

public slots:
    // 导入: accepts; exec() returns QDialog::Accepted.
    void on_OK_clicked();
    // 取消: rejects; exec() returns QDialog::Rejected.
    void on_Cancel_clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ImageViewer* editor_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};
