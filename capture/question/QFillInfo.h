#pragma once

#include <QImage>
#include <QWidget>

#include <string>

#include "core/Records.h"

class ImageViewer;
class QTopicInfo;

// Step 题干 of the edit wizard: an image editor (the captured question
// picture, cleaned by the user down to the question) above the metadata form
// in its wizard layout.
class QFillInfo : public QWidget {
    Q_OBJECT
public:
    explicit QFillInfo(QWidget* parent = nullptr);
    ~QFillInfo() override;

    // The form's setData / getData (wizard layout: see QTopicInfo).
    void setData(_detail_t detail);
    void getData(_detail_t& detail);
    // A copy of the editor's current picture (null when it holds none).
    QImage getImage();
    // Loads a picture into the editor; the path is UTF-8, relative to the
    // data folder or absolute.
    void loadImage(std::string path);
    // The editor's tool: 0 mouse, 1 cut, 2 erase, 3 text, 4 pen.
    void setTool(int tool);
    // Shows or hides the form under the picture.
    void setInfoVisible(bool visible);

    ImageViewer* editor() const { return editor_; }
    QTopicInfo* form() const { return form_; }

public slots:
    // Does nothing: the editor fits the picture itself.
    void fitScreen();

private:
    ImageViewer* editor_ = nullptr;
    QTopicInfo* form_ = nullptr;
};
