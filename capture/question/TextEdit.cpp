#include "capture/question/TextEdit.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QIcon>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "capture/question/AnswerTextArea.h"
#include "capture/question/WrapLayout.h"
#include "core/Settings.h"

namespace {

constexpr int kIconSize = 28;
// Characters the font and size boxes show.
constexpr int kFontBoxLength = 8;
constexpr int kSizeBoxLength = 3;

QString iconPath(const char* name)
{
    return QStringLiteral(":/Lorvane/Resources/textEdit/") + QString::fromLatin1(name) + QStringLiteral(".png");
}

}  // namespace

TextEdit::TextEdit(QWidget* parent, QString fileName, QString path) : QWidget(parent)
{
    layout_ = new QVBoxLayout;
    layout_->setContentsMargins(1, 1, 1, 1);
    layout_->setSpacing(5);
    createToolBar();
    layout_->addWidget(toolBar_);
    createTextArea();

    textEdit_->document()->setModified(false);
    setWindowModified(false);
    presetFont();
    showColor(textEdit_->textColor());
    checkAlignmentButton();

    setWindowModified(textEdit_->document()->isModified());
    setLayout(layout_);
    if (!fileName.isNull())
        loadHtml(fileName);
    if (!path.isNull())
        path_ = path;
}

TextEdit::~TextEdit() = default;

QToolButton* TextEdit::addButton(const char* icon, const QString& toolTip, bool checkable)
{
    auto* button = new QToolButton(toolBar_);
    if (icon) {
        button->setIcon(QIcon(iconPath(icon)));
        button->setIconSize(QSize(kIconSize, kIconSize));
    }
    button->setToolTip(toolTip);
    button->setCheckable(checkable);
    toolBar_->layout()->addWidget(button);
    buttons_.append(button);
    return button;
}

// Fifteen buttons, then the list-style, font and size boxes, left-aligned in
// a row that wraps onto a second line where the editor is too narrow for it
// (the wizard of the capture window on a 1280 x 720 screen).
void TextEdit::createToolBar()
{
    toolBar_ = new QWidget(this);
    auto* bar = new WrapLayout(toolBar_);
    bar->setContentsMargins(1, 1, 1, 1);
    bar->setSpacing(5);

    connect(addButton("source_image", QStringLiteral("从试卷中截取"), false), &QToolButton::clicked, this,
            &TextEdit::textImage1);
    connect(addButton("select_image", QStringLiteral("添加图片"), false), &QToolButton::clicked, this,
            &TextEdit::textImage2);
    connect(addButton("scan_picture", QStringLiteral("扫描"), false), &QToolButton::clicked, this,
            &TextEdit::textImage3);
    connect(addButton("screenShot", QStringLiteral("屏幕截图"), false), &QToolButton::clicked, this,
            &TextEdit::textImage4);
    connect(addButton("zoomin", QStringLiteral("放大图片"), false), &QToolButton::clicked, this,
            &TextEdit::zoomInImage);
    connect(addButton("zoomout", QStringLiteral("缩小图片"), false), &QToolButton::clicked, this,
            &TextEdit::zoomOutImage);
    connect(addButton("image_auto", QStringLiteral("自动调整图片大小"), false), &QToolButton::clicked, this,
            &TextEdit::zoomAutoImage);

    QToolButton* bold = addButton("textbold", QStringLiteral("粗体"), true);
    QFont boldFont = bold->font();
    boldFont.setWeight(75);
    bold->setFont(boldFont);
    connect(bold, &QToolButton::clicked, this, &TextEdit::textBold);
    QToolButton* underline = addButton("textunder", QStringLiteral("下划线"), true);
    QFont underlineFont = underline->font();
    underlineFont.setUnderline(true);
    underline->setFont(underlineFont);
    connect(underline, &QToolButton::clicked, this, &TextEdit::textUnderline);
    QToolButton* italic = addButton("textitalic", QStringLiteral("斜体"), true);
    QFont italicFont = italic->font();
    italicFont.setItalic(true);
    italic->setFont(italicFont);
    connect(italic, &QToolButton::clicked, this, &TextEdit::textItalic);

    alignGroup_ = new QButtonGroup(this);
    alignGroup_->setExclusive(true);
    alignGroup_->addButton(addButton("textleft", QStringLiteral("左对齐"), true), 0);
    alignGroup_->addButton(addButton("textcenter", QStringLiteral("居中对齐"), true), 1);
    alignGroup_->addButton(addButton("textright", QStringLiteral("右对齐"), true), 2);
    alignGroup_->addButton(addButton("textjustify", QStringLiteral("两端对齐"), true), 3);
    connect(alignGroup_, &QButtonGroup::idClicked, this, &TextEdit::textAlign);

    connect(addButton(nullptr, QString(), false), &QToolButton::clicked, this, &TextEdit::textColor);

    createFormatBoxes();
}

void TextEdit::createFormatBoxes()
{
    auto* bar = toolBar_->layout();
    comboStyle_ = new QComboBox(toolBar_);
    comboStyle_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QFont styleFont = comboStyle_->font();
    styleFont.setPointSize(12);
    comboStyle_->setFont(styleFont);
    comboStyle_->addItems({QStringLiteral("标准"), QStringLiteral("●"), QStringLiteral("○"), QStringLiteral("■"),
                           QStringLiteral("1 2 3"), QStringLiteral("a b c "), QStringLiteral("A B C"),
                           QStringLiteral("ⅰⅱⅲ"), QStringLiteral("ⅠⅡⅢ")});
    connect(comboStyle_, QOverload<int>::of(&QComboBox::activated), this, &TextEdit::textStyle);
    bar->addWidget(comboStyle_);

    // The font and size boxes are as wide as a short name or number; the
    // lists they open are as wide as their longest entry.
    comboFont_ = new QFontComboBox(toolBar_);
    comboFont_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    comboFont_->setMinimumContentsLength(kFontBoxLength);
    comboFont_->setMaximumWidth(comboFont_->minimumSizeHint().width());
    connect(comboFont_, &QComboBox::textActivated, this, &TextEdit::textFamily);
    bar->addWidget(comboFont_);

    comboSize_ = new QComboBox(toolBar_);
    comboSize_->setObjectName(QStringLiteral("comboSize"));
    comboSize_->setEditable(true);
    comboSize_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    comboSize_->setMinimumContentsLength(kSizeBoxLength);
    for (int size : QFontDatabase::standardSizes())
        comboSize_->addItem(QString::number(size));
    connect(comboSize_, &QComboBox::textActivated, this, &TextEdit::textSize);
    bar->addWidget(comboSize_);
}

void TextEdit::createTextArea()
{
    textEdit_ = new AnswerTextArea(this);
    connect(textEdit_, &QTextEdit::currentCharFormatChanged, this, &TextEdit::currentCharFormatChanged);
    connect(textEdit_, &QTextEdit::selectionChanged, this, &TextEdit::selectionChanged);
    connect(textEdit_->document(), &QTextDocument::modificationChanged, this, &TextEdit::setWindowModified);
    layout_->addWidget(textEdit_);
}

// The boxes show the remembered family and size; the document keeps the text
// edit's default font until the user picks one.
void TextEdit::presetFont()
{
    const QString family = getIniValue(QStringLiteral("TextEdit_textFamily"), "SimSun");
    const double size = getIniValue<double>(QStringLiteral("TextEdit_textSize"), 12.0);
    QFont font = textEdit_->font();
    font.setFamily(family);
    const int points = static_cast<int>(size);
    if (points > 0)
        font.setPointSize(points);
    showFont(font);
}

void TextEdit::checkAlignmentButton()
{
    const Qt::Alignment a = textEdit_->alignment();
    int id = -1;
    if (a & Qt::AlignLeft)
        id = 0;
    else if (a & Qt::AlignHCenter)
        id = 1;
    else if (a & Qt::AlignRight)
        id = 2;
    else if (a & Qt::AlignJustify)
        id = 3;
    if (id >= 0)
        alignGroup_->button(id)->setChecked(true);
}

QToolButton* TextEdit::toolButton(int index) const
{
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

void TextEdit::setPath(QString path)
{
    path_ = path;
}
