#include "capture/cutter/imageCut.h"

#include <QButtonGroup>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "capture/common/SpaceBarSwitch.h"
#include "capture/cutter/imageCutBar.h"
#include "capture/cutter/showRectWidget.h"
#include "core/Settings.h"
#include "platform/PictureFile.h"
#include "ui/QMessageBoxBase.h"

using namespace state_names;

namespace {

// The cut cursor: the resource picture at 24 pixels wide, pointing with its
// top-left corner.
QCursor makeCutCursor()
{
    const QPixmap picture(QStringLiteral(":/Lorvane/Resources/cursor.png"));
    if (picture.isNull())
        return QCursor(Qt::CrossCursor);
    return QCursor(picture.scaledToWidth(24, Qt::SmoothTransformation), 0, 0);
}

// A picture with transparent parts (a PNG screenshot, say) lies on white
// paper: dropping its alpha channel would turn them black.
QImage onWhite(const QImage& picture)
{
    if (picture.isNull() || !picture.hasAlphaChannel())
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return QImage();
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

}  // namespace

imageCut::imageCut(QWidget* parent) : QWidget(parent), cutCursor_(makeCutCursor())
{
    setupToolBar();
    setupMachines();
    setupConnections();
    setupActionBar();
    setMouseTracking(true);
    // Background whitening is on from the start.
    toolBar_->button(imageCutBar::kBackground)->click();
    setFocusPolicy(Qt::ClickFocus);
    setupShortcuts();
}

imageCut::~imageCut() = default;

void imageCut::setupToolBar()
{
    toolBar_ = new imageCutBar(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch();
    layout->addWidget(toolBar_);
}

void imageCut::setupMachines()
{
    toolMachine_.on(0, kInit) = [this](const std::vector<std::string>&) {
        setCursor(Qt::OpenHandCursor);
        if (selection_.isValid()) {
            if (rectBar_)
                rectBar_->hide();
            selection_ = QRect(0, 0, 1, 1);  // corners (0, 0, 0, 0): too small to draw
        }
        toolBar_->button(imageCutBar::kMouse)->setChecked(true);
    };
    toolMachine_.on(1, kInit) = [this](const std::vector<std::string>&) {
        setCursor(cutCursor_);
        toolBar_->button(imageCutBar::kCut)->setChecked(true);
    };
    toolMachine_.set(1);

    const Qt::CursorShape zoneCursors[] = {Qt::SizeHorCursor,   Qt::SizeHorCursor,   Qt::SizeVerCursor,
                                           Qt::SizeVerCursor,   Qt::SizeFDiagCursor, Qt::SizeBDiagCursor,
                                           Qt::SizeBDiagCursor, Qt::SizeFDiagCursor, Qt::SizeAllCursor};
    pointerMachine_.on(0, kInit) = [this](const std::vector<std::string>&) { setCursor(cutCursor_); };
    for (int zone = 1; zone <= 9; ++zone) {
        const Qt::CursorShape shape = zoneCursors[zone - 1];
        pointerMachine_.on(zone, kInit) = [this, shape](const std::vector<std::string>&) { setCursor(shape); };
    }
}

void imageCut::setupConnections()
{
    connect(toolBar_->group(), &QButtonGroup::idClicked, this, &imageCut::buttonClicked);
    connect(toolBar_->button(imageCutBar::kStraighten), &QToolButton::clicked, this, &imageCut::RecifyClicked);
    connect(toolBar_->button(imageCutBar::kBackground), &QToolButton::clicked, this,
            &imageCut::deleteBackgroundClicked);
    connect(toolBar_->button(imageCutBar::kTurnLeft), &QToolButton::clicked, this, &imageCut::rotateleftClicked);
    connect(toolBar_->button(imageCutBar::kTurnRight), &QToolButton::clicked, this, &imageCut::rotaterightClicked);
    connect(toolBar_->button(imageCutBar::kFitWidth), &QToolButton::clicked, this, &imageCut::horizontal_arrowClicked);
    connect(toolBar_->button(imageCutBar::kFitHeight), &QToolButton::clicked, this, &imageCut::vertical_arrowClicked);
    connect(this, &imageCut::matrix_changed, this, &imageCut::slot_matrix_changed);
}

void imageCut::setupActionBar()
{
    rectBar_ = new showRectWidget(this);
    rectBar_->setMode(getIniValue<int>(QStringLiteral("import_mode"), 0));
    connect(rectBar_, &showRectWidget::btn_clicked, this, &imageCut::RectBarClicked);
    rectBar_->hide();
}

void imageCut::setupShortcuts()
{
    const struct {
        int key;
        void (imageCut::*slot)();
    } keys[] = {
        {Qt::Key_Down, &imageCut::move_showRect_down},
        {Qt::Key_Up, &imageCut::move_showRect_up},
        {Qt::Key_Left, &imageCut::move_showRect_left},
        {Qt::Key_Right, &imageCut::move_showRect_right},
    };
    for (const auto& k : keys) {
        auto* shortcut = new QShortcut(QKeySequence(k.key), this);
        shortcut->setAutoRepeat(true);
        connect(shortcut, &QShortcut::activated, this, k.slot);
    }
}

bool imageCut::loadImage(QString path)
{
    filePath_ = path;
    // A phone photo is stored sideways with an orientation tag: show it
    // upright, so that it reads normally and straightening measures its lines.
    // A page that declares too many pixels is not decoded; the user is told.
    QString refusal;
    pipeline_.setPage(onWhite(platform::readPicture(path, &refusal, true)));
    displayImage_ = pipeline_.page();
    processImage();
    fitImage(false);
    dropSelection();
    repaint();
    if (!refusal.isEmpty())
        QMessageBoxBase::information(this, QStringLiteral("提示"), refusal);
    return !displayImage_.isNull();
}

void imageCut::clear()
{
    pipeline_.clear();
    displayImage_ = QImage();
    upperHalf_ = QImage();
    resultImage_ = QImage();
    scaledPage_.clear();
    dropSelection();
    rectBar_->reset();
    emit first_half_hide();
    update();
}

QImage* imageCut::getImage()
{
    return &resultImage_;
}

int imageCut::toolState() const
{
    return toolMachine_.get_state(-1).name;
}

int imageCut::pointerState() const
{
    return pointerMachine_.get_state(-1).name;
}

CutOptions imageCut::options() const
{
    CutOptions o;
    o.straighten = straighten_;
    o.removeBackground = removeBackground_;
    o.quarterTurns = quarterTurns_;
    return o;
}

void imageCut::processImage()
{
    // The slow steps process events while they wait; a page loaded or
    // cleared, or an option changed, from there is taken up by running the
    // pipeline again once the running pass ends, never by a nested pass.
    if (processing_) {
        rerun_ = true;
        return;
    }
    processing_ = true;
    bool interrupted = false;
    for (;;) {
        rerun_ = false;
        const std::uint64_t generation = pipeline_.generation();
        QImage result = pipeline_.run(options());
        if (!rerun_ && generation == pipeline_.generation()) {
            displayImage_ = result;
            break;
        }
        interrupted = true;
    }
    processing_ = false;
    if (interrupted) {
        dropSelection();
        fitImage(false);
    }
}

void imageCut::dropSelection()
{
    selection_ = QRect();
    rectBar_->hide();
}

void imageCut::RecifyClicked(bool checked)
{
    straighten_ = checked;
    processImage();
    dropSelection();
    fitImage(false);
    update();
}

void imageCut::deleteBackgroundClicked(bool checked)
{
    removeBackground_ = checked;
    processImage();
    update();
}

void imageCut::rotateleftClicked()
{
    dropSelection();
    quarterTurns_ = (quarterTurns_ - 1) % 4;
    processImage();
    fitImage(false);
    update();
}

void imageCut::rotaterightClicked()
{
    dropSelection();
    quarterTurns_ = (quarterTurns_ + 1) % 4;
    processImage();
    fitImage(false);
    update();
}

void imageCut::horizontal_arrowClicked()
{
    if (displayImage_.isNull())
        return;
    fitImage(false);
    emit matrix_changed();
}

void imageCut::vertical_arrowClicked()
{
    if (displayImage_.isNull())
        return;
    fitImage(true);
    emit matrix_changed();
}

void imageCut::buttonClicked(int id)
{
    if (id == 0 || id == 1)
        toolMachine_.set(id);
}

void imageCut::quick_change()
{
    // Shared with the image editor: Space held in either pans.
    const int next = SpaceBarSwitch::quickChange(toolState());
    if (next >= 0)
        toolMachine_.set(next);
}
