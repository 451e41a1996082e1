#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <json/json.h>

#include "ServiceFixture.h"
#include "core/AppContext.h"
#include "core/Settings.h"
#include "core/Sqlite.h"
#include "core/Utils.h"
#include "service/ChangePassword.h"
#include "service/PasswordDigest.h"
#include "service/UserInfomation.h"
#include "service/UserLogin.h"
#include "service/UserPasswordReset.h"
#include "service/UserRegister.h"
#include "service/UserSuggestion.h"
#include "service/UsrDelete.h"
#include "service/VerificationCodeLabel.h"
#include "ui/ModalRecorder.h"
#include "ui/QMessageBoxBase.h"

namespace {

template <typename T>
T* child(QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QPushButton* buttonBoxButton(QWidget* dialog, const QString& text)
{
    for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
        if (button->text() == text)
            return qobject_cast<QPushButton*>(button);
    ADD_FAILURE() << text.toStdString();
    return nullptr;
}

Json::Value parse(const std::string& body)
{
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    reader->parse(body.data(), body.data() + body.size(), &root, nullptr);
    return root;
}

QString lastText(const ModalRecorder& boxes)
{
    return boxes.count() ? boxes.last().text : QString();
}

// The case-swapped form of a code (digits stay).
QString swapCase(const QString& code)
{
    QString out;
    for (QChar c : code)
        out += c.isUpper() ? c.toLower() : c.toUpper();
    return out;
}

// A code of the same length that differs from the right one: its letters in
// the other case, or, for a code of digits only, another last digit (the
// code field takes four characters, so appending would not change it).
QString wrongCode(const QString& code)
{
    QString wrong = swapCase(code);
    if (wrong == code && !wrong.isEmpty())
        wrong[wrong.size() - 1] = wrong.back() == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    return wrong;
}

const char kRightMark[] = ":/Lorvane/Resources/state_0.png";
const char kWrongMark[] = ":/Lorvane/Resources/state_1.png";

// Whether the SMS-code mark shows that picture (scaled to a width of 24).
bool showsMark(QLabel* mark, const char* picture)
{
    const QImage expected = QPixmap(QString::fromLatin1(picture)).scaledToWidth(24, Qt::SmoothTransformation).toImage();
    return !expected.isNull() &&
           mark->pixmap(Qt::ReturnByValue).toImage().convertToFormat(expected.format()) == expected;
}

// Answers the next nested dialog run, which must be a T, with `work`; the
// dialog's result is what its exec() gives.
template <typename T>
void whenShown(ModalRecorder& modals, std::function<void(T*)> work)
{
    modals.onDialog([work](QDialog& shown) {
        T* dialog = qobject_cast<T*>(&shown);
        if (!dialog) {
            ADD_FAILURE() << "unexpected dialog " << shown.metaObject()->className();
            return 0;
        }
        work(dialog);
        return dialog->result();
    });
}

}  // namespace

using FeedbackTest = ServiceTest;

TEST_F(FeedbackTest, CounterFollowsTheTextLength)
{
    UserSuggestion dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("意见反馈"));
    auto* counter = child<QLabel>(&dialog, "label_counter");
    auto* text = child<QTextEdit>(&dialog, "textEdit_suggest");
    auto* commit = child<QPushButton>(&dialog, "btnCommit");
    EXPECT_EQ(counter->text(), QStringLiteral("我要反馈：（200）"));

    const std::pair<int, QString> cases[] = {
        {0, QStringLiteral("我要反馈：（200)")},        {9, QStringLiteral("我要反馈：（191)")},
        {200, QStringLiteral("我要反馈：（0)")},        {201, QStringLiteral("内容太长：（已超出1)")},
        {230, QStringLiteral("内容太长：（已超出30)")},
    };
    for (const auto& c : cases) {
        text->setPlainText(QString(c.first, QChar(0x9519)));
        EXPECT_EQ(counter->text(), c.second) << c.first;
        EXPECT_EQ(commit->isEnabled(), c.first <= 200) << c.first;
    }
}

TEST_F(FeedbackTest, RefusedSubmissionsSendNothing)
{
    ModalRecorder boxes;
    UserSuggestion dialog;
    auto* text = child<QTextEdit>(&dialog, "textEdit_suggest");
    auto* code = child<QLineEdit>(&dialog, "lineEdit_code");
    auto* label = dialog.findChild<VerificationCodeLabel*>();
    ASSERT_NE(label, nullptr);
    const QString right = label->codeText();

    struct Case {
        int length;
        QString typed;
        QString box;  // empty: no box
    };
    const Case cases[] = {
        {9, right, QStringLiteral("内容太短")},
        {0, right, QStringLiteral("内容太短")},
        {201, right, QString()},
        {10, wrongCode(right), QStringLiteral("验证码不正确")},
        {10, QString(), QStringLiteral("验证码不正确")},
    };
    for (const Case& c : cases) {
        boxes.clear();
        text->setPlainText(QString(c.length, QLatin1Char('a')));
        code->setText(c.typed);
        dialog.btnCommit_clicked();
        if (c.box.isEmpty()) {
            EXPECT_EQ(boxes.count(), 0);
        } else {
            ASSERT_EQ(boxes.count(), 1) << c.length;
            EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
            EXPECT_EQ(boxes.last().text, c.box);
        }
        EXPECT_EQ(dialog.result(), 0);
        // A failed check keeps the code.
        EXPECT_EQ(label->codeText(), right);
    }
    EXPECT_TRUE(server->requests().empty());
}

TEST_F(FeedbackTest, SendsTheTextWithTheAdapterAddress)
{
    std::string mac;
    const bool hasAdapter = getMacAddress(mac) == 0;
    // A stored address is not what feedback uses.
    setIniValue(QStringLiteral("mac"), QStringLiteral("FF-FF-FF-FF-FF-FF"));

    ModalRecorder boxes;
    UserSuggestion dialog;
    auto* label = dialog.findChild<VerificationCodeLabel*>();
    child<QTextEdit>(&dialog, "textEdit_suggest")->setPlainText(QStringLiteral("界面很好用，谢谢！请加打印"));
    child<QLineEdit>(&dialog, "lineEdit_code")->setText(label->codeText());

    server->setReply("/svc/addSuggest", 200, "{\"returnCode\":5,\"returnMsg\":\"提交太频繁\"}");
    dialog.btnCommit_clicked();
    if (!hasAdapter) {
        EXPECT_EQ(lastText(boxes), QStringLiteral("获取mac错误"));
        EXPECT_TRUE(server->requests().empty());
        return;
    }
    EXPECT_EQ(lastText(boxes), QStringLiteral("提交太频繁"));
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(child<QTextEdit>(&dialog, "textEdit_suggest")->toPlainText(),
              QStringLiteral("界面很好用，谢谢！请加打印"));

    server->clearRequests();
    server->setReply("/svc/addSuggest", 200, "{\"returnCode\":0,\"returnMsg\":\"ok\"}");
    dialog.btnCommit_clicked();
    EXPECT_EQ(lastText(boxes), QStringLiteral("反馈成功"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 1u);
    const Json::Value body = parse(requests[0].body);
    EXPECT_EQ(body["mac"].asString(), mac);
    EXPECT_EQ(body["suggest"].asString(), "界面很好用，谢谢！请加打印");
}

TEST_F(FeedbackTest, CaptchaPressDrawsANewCode)
{
    UserSuggestion dialog;
    auto* label = dialog.findChild<VerificationCodeLabel*>();
    auto* code = child<QLineEdit>(&dialog, "lineEdit_code");
    EXPECT_EQ(label->noisePoints(), 400);
    EXPECT_EQ(code->maxLength(), 4);
    code->setText(QStringLiteral("ab"));

    // Digits, capitals and small letters only, four of them.
    bool changed = false;
    for (int i = 0; i < 5 && !changed; ++i) {
        const QString before = label->codeText();
        QTest::mouseClick(label, Qt::LeftButton);
        const QString after = label->codeText();
        ASSERT_EQ(after.size(), 4);
        for (QChar c : after)
            EXPECT_TRUE(c.isDigit() || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << after.toStdString();
        changed = after != before;
    }
    EXPECT_TRUE(changed);
    EXPECT_EQ(code->text(), QStringLiteral("ab"));

    // Painting works at any size.
    label->resize(120, 40);
    QImage image(label->size(), QImage::Format_RGB32);
    label->render(&image);
    EXPECT_FALSE(image.isNull());
}

class ProfileTest : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        std::string err;
        _user_t user;
        ASSERT_EQ(Singleton<sqlite>::instance()->login("lorvane", "704182", user, err), 0) << err;
        user.username = "小明";
        user.sex = 0;
        user.student_number = "2020-01";
        user.contact = "qq 1";
        ASSERT_EQ(Singleton<sqlite>::instance()->updateUser(user.id, user.username, user.sex, user.student_number,
                                                            user.contact, err),
                  0);
        AppContext::instance()->user = user;
        AppContext::instance()->user_folder = std::to_string(user.id);
    }

    _user_t stored()
    {
        _user_t user;
        std::string err;
        EXPECT_EQ(Singleton<sqlite>::instance()->login("lorvane", "704182", user, err), 0) << err;
        return user;
    }
};

TEST_F(ProfileTest, FieldsShowTheUserAndSaveStaysHiddenWithoutEdits)
{
    UserInfomation dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("个人帐户"));
    EXPECT_EQ(child<QLineEdit>(&dialog, "lineEdit_name")->text(), QStringLiteral("小明"));
    EXPECT_EQ(child<QLineEdit>(&dialog, "lineEdit_number")->text(), QStringLiteral("2020-01"));
    EXPECT_EQ(child<QLineEdit>(&dialog, "lineEdit_contact")->text(), QStringLiteral("qq 1"));
    EXPECT_TRUE(child<QRadioButton>(&dialog, "radioButton_man")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(&dialog, "radioButton_man")->icon().isNull());
    EXPECT_FALSE(child<QRadioButton>(&dialog, "radioButton_woman")->icon().isNull());
    EXPECT_EQ(child<QLineEdit>(&dialog, "lineEdit_name")->maxLength(), 20);
    EXPECT_TRUE(child<QPushButton>(&dialog, "pushButton_save")->isHidden());

    // Emptying a field is not an edit that shows the button.
    child<QLineEdit>(&dialog, "lineEdit_contact")->clear();
    EXPECT_TRUE(child<QPushButton>(&dialog, "pushButton_save")->isHidden());
}

TEST_F(ProfileTest, SaveWritesSimplifiedTextsAndTheContext)
{
    UserInfomation dialog;
    auto* save = child<QPushButton>(&dialog, "pushButton_save");
    // The other sex and back again: the button stays, the stored sex is written.
    child<QRadioButton>(&dialog, "radioButton_woman")->click();
    EXPECT_FALSE(save->isHidden());
    child<QRadioButton>(&dialog, "radioButton_man")->click();
    EXPECT_FALSE(save->isHidden());

    child<QLineEdit>(&dialog, "lineEdit_name")->setText(QStringLiteral("  王  小明 "));
    child<QLineEdit>(&dialog, "lineEdit_number")->setText(QStringLiteral("007"));
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_TRUE(save->isHidden());

    const _user_t user = stored();
    EXPECT_EQ(user.username, "王 小明");
    EXPECT_EQ(user.sex, 0);
    EXPECT_EQ(user.student_number, "007");
    EXPECT_EQ(user.contact, "qq 1");
    EXPECT_EQ(AppContext::instance()->user.username, "王 小明");
    EXPECT_EQ(AppContext::instance()->user.student_number, "007");
}

TEST_F(ProfileTest, UnknownStoredSexIsKeptWhenSaving)
{
    std::string err;
    AppContext::instance()->user.sex = 5;
    UserInfomation dialog;
    EXPECT_FALSE(child<QRadioButton>(&dialog, "radioButton_man")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(&dialog, "radioButton_woman")->isChecked());
    child<QLineEdit>(&dialog, "lineEdit_contact")->setText(QStringLiteral("tel"));
    QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_save"), Qt::LeftButton);
    EXPECT_EQ(stored().sex, 5);
    EXPECT_EQ(stored().contact, "tel");
}

using ChangePasswordTest = ProfileTest;

TEST_F(ChangePasswordTest, ChecksInOrderThenSendsDigests)
{
    ModalRecorder boxes;
    ChangePassword dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("修改密码"));
    auto* oldField = child<QLineEdit>(&dialog, "lineEdit_old");
    auto* newField = child<QLineEdit>(&dialog, "lineEdit_new");
    auto* confirm = child<QLineEdit>(&dialog, "lineEdit_confirm");
    auto* change = buttonBoxButton(&dialog, QStringLiteral("修改"));

    struct Case {
        QString oldText, newText, confirmText, box;
    };
    const Case cases[] = {
        {"", "abcdef", "abcdef", "原密码不能为空"},
        {"abcde", "", "", "原密码不能短于6位"},
        {"abcdef", "", "", "新密码不能为空"},
        {"abcdef", "abcde", "abcde", "新密码不能短于6位"},
        {"abcdef", "newpwd", "NEWPWD", "两次密码输入不一致"},
    };
    for (const Case& c : cases) {
        oldField->setText(c.oldText);
        newField->setText(c.newText);
        confirm->setText(c.confirmText);
        boxes.clear();
        QTest::mouseClick(change, Qt::LeftButton);
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().title, QStringLiteral("提示"));
        EXPECT_EQ(boxes.last().text, c.box);
    }
    EXPECT_TRUE(server->requests().empty());

    oldField->setText(QStringLiteral("old-pw"));
    newField->setText(QStringLiteral("new_pw"));
    confirm->setText(QStringLiteral("new_pw"));
    server->setReply("/svc/changePassword", 200, "{\"returnCode\":4,\"returnMsg\":\"原密码错误\"}");
    QTest::mouseClick(change, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("原密码错误"));
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(oldField->text(), QStringLiteral("old-pw"));
    EXPECT_EQ(confirm->text(), QStringLiteral("new_pw"));

    server->setReply("/svc/changePassword", 200, "{\"returnCode\":0,\"returnMsg\":\"\"}");
    QTest::mouseClick(change, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("修改密码成功"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const Json::Value body = parse(server->requests().back().body);
    EXPECT_EQ(body["id"], AppContext::instance()->user.id);
    EXPECT_EQ(body["password"].asString(), getMd5(QStringLiteral("old-pw")).toStdString());
    EXPECT_EQ(body["new_password"].asString(), getMd5(QStringLiteral("new_pw")).toStdString());
}

TEST_F(ChangePasswordTest, FieldsAcceptOnlyLettersDigitsAndDashes)
{
    ChangePassword dialog;
    for (const char* name : {"lineEdit_old", "lineEdit_new", "lineEdit_confirm"}) {
        auto* field = child<QLineEdit>(&dialog, name);
        EXPECT_EQ(field->echoMode(), QLineEdit::Password);
        EXPECT_EQ(field->maxLength(), 20);
        QTest::keyClicks(field, QStringLiteral("ab c.d_-9~"));
        EXPECT_EQ(field->text(), QStringLiteral("abcd_-9")) << name;
    }
}

using AccountDeletionTest = ProfileTest;

TEST_F(AccountDeletionTest, RefusalsThenDeletionClearsTheLocalAccount)
{
    ModalRecorder boxes;
    const QString folder = QStringLiteral("item/") + QString::fromStdString(AppContext::instance()->user_folder);
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/q1")));
    setIniValue(QStringLiteral("userID"), QStringLiteral("13800000000"));
    setIniValue(QStringLiteral("password"), QByteArray(32, 'x'));
    setIniValue(QStringLiteral("import_index"), 9);

    UsrDelete dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("注销帐户"));
    auto* confirm = child<QCheckBox>(&dialog, "checkBox_confirm");
    auto* password = child<QLineEdit>(&dialog, "lineEdit_password");
    auto* remove = buttonBoxButton(&dialog, QStringLiteral("注销"));

    password->setText(QStringLiteral("secret"));
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("请勾选复选框"));
    confirm->setChecked(true);
    password->clear();
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("密码不能为空"));
    EXPECT_TRUE(server->requests().empty());

    // Refused by the service: nothing local changes.
    password->setText(QStringLiteral("x"));
    server->setReply("/svc/deleteUser", 200, "{\"returnCode\":2,\"returnMsg\":\"密码错误\"}");
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("密码错误"));
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_EQ(getIniValue<QString>(QStringLiteral("userID"), QString()), QStringLiteral("13800000000"));
    EXPECT_EQ(dialog.result(), 0);

    server->setReply("/svc/deleteUser", 200, "{\"returnCode\":0,\"returnMsg\":\"\"}");
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("已注销帐户"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const Json::Value body = parse(server->requests().back().body);
    EXPECT_EQ(body["id"], AppContext::instance()->user.id);
    EXPECT_EQ(body["password"].asString(), getMd5(QStringLiteral("x")).toStdString());

    EXPECT_FALSE(QDir(folder).exists());
    EXPECT_TRUE(QDir(QStringLiteral("item")).exists());
    EXPECT_TRUE(password->text().isEmpty());
    QSettings settings(QStringLiteral("Lorvane.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("userID")).toString(), QString());
    EXPECT_TRUE(settings.value(QStringLiteral("password")).toString().isEmpty());
    EXPECT_TRUE(settings.value(QStringLiteral("password")).toByteArray().isEmpty());
    EXPECT_EQ(settings.value(QStringLiteral("import_index")).toInt(), 9);
}

// The profile's account slots: a password change leaves the profile open,
// a confirmed deletion closes it (and ends the program's event loop).
TEST_F(ProfileTest, AccountSlotsRunTheirDialogs)
{
    UserInfomation profile;
    ModalRecorder modals;
    bool changeShown = false;
    whenShown<ChangePassword>(modals, [&changeShown](ChangePassword* dialog) {
        changeShown = true;
        dialog->accept();
    });
    profile.on_pushButton_change_password_clicked();
    EXPECT_TRUE(changeShown);
    EXPECT_EQ(profile.result(), 0);

    whenShown<UsrDelete>(modals, [](UsrDelete* dialog) { dialog->reject(); });
    profile.on_pushButton_account_cancellation_clicked();
    EXPECT_EQ(profile.result(), 0);

    whenShown<UsrDelete>(modals, [](UsrDelete* dialog) { dialog->accept(); });
    profile.on_pushButton_account_cancellation_clicked();
    EXPECT_EQ(profile.result(), QDialog::Accepted);
}

using RegisterTest = ServiceTest;

TEST_F(RegisterTest, SendButtonAndCountdown)
{
    ModalRecorder boxes;
    UserRegister dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("用户注册"));
    auto* phone = child<QLineEdit>(&dialog, "lineEdit_userID");
    auto* send = child<QPushButton>(&dialog, "pushButton_sendSMS");
    EXPECT_FALSE(send->isEnabled());
    EXPECT_FALSE(child<QPushButton>(&dialog, "pushButton_Register")->isEnabled());

    QTest::keyClicks(phone, QStringLiteral("1380000000a0"));
    EXPECT_EQ(phone->text(), QStringLiteral("13800000000"));
    EXPECT_TRUE(send->isEnabled());
    QTest::keyClick(phone, Qt::Key_Backspace);
    EXPECT_FALSE(send->isEnabled());
    phone->setText(QStringLiteral("13800000000"));

    // A refused send keeps its code and the phone editable.
    server->setReply("/svc/sendSMS", 200, "{\"returnCode\":1,\"returnMsg\":\"发送失败\"}");
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("发送失败"));
    EXPECT_EQ(dialog.smsCode().code().size(), 4u);
    EXPECT_FALSE(phone->isReadOnly());
    EXPECT_EQ(dialog.smsCode().timer(), nullptr);

    server->setReply("/svc/sendSMS", 200, "{\"returnCode\":0}");
    QTest::mouseClick(send, Qt::LeftButton);
    const std::string code = dialog.smsCode().code();
    ASSERT_EQ(code.size(), 4u);
    for (char c : code)
        EXPECT_TRUE(c >= '0' && c <= '9');
    const Json::Value body = parse(server->requests().back().body);
    EXPECT_EQ(body["PhoneNumbers"].asString(), "13800000000");
    EXPECT_EQ(body["code"].asString(), code);
    EXPECT_TRUE(phone->isReadOnly());
    EXPECT_FALSE(send->isEnabled());
    ASSERT_NE(dialog.smsCode().timer(), nullptr);
    EXPECT_TRUE(dialog.smsCode().timer()->isActive());
    EXPECT_EQ(dialog.smsCode().timer()->interval(), 1000);

    // The first second comes through the timer itself, the others are
    // driven here.
    ASSERT_TRUE(QMetaObject::invokeMethod(dialog.smsCode().timer(), "timeout"));
    EXPECT_EQ(send->text(), QStringLiteral("60"));
    EXPECT_FALSE(send->isEnabled());
    for (int shown = 59; shown >= 1; --shown) {
        dialog.time_slot();
        ASSERT_EQ(send->text(), QString::number(shown));
        ASSERT_FALSE(send->isEnabled());
    }
    dialog.time_slot();
    EXPECT_EQ(send->text(), QStringLiteral("获取验证码"));
    EXPECT_TRUE(send->isEnabled());
    EXPECT_FALSE(dialog.smsCode().timer()->isActive());

    // A second send starts the countdown at 60 again, on the same timer.
    QTimer* timer = dialog.smsCode().timer();
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(dialog.smsCode().timer(), timer);
    dialog.time_slot();
    EXPECT_EQ(send->text(), QStringLiteral("60"));
}

TEST_F(RegisterTest, ChecksInOrderAndRegisters)
{
    ModalRecorder boxes;
    UserRegister dialog;
    auto* phone = child<QLineEdit>(&dialog, "lineEdit_userID");
    auto* sms = child<QLineEdit>(&dialog, "lineEdit_SMS");
    auto* password = child<QLineEdit>(&dialog, "lineEdit_password");
    auto* confirm = child<QLineEdit>(&dialog, "lineEdit_confirm");

    // Before any send the SMS field does not matter.
    phone->setText(QStringLiteral("13800000000"));
    sms->setText(QStringLiteral("1234"));
    dialog.on_pushButton_Register_clicked();
    EXPECT_EQ(lastText(boxes), QStringLiteral("验证码不能为空"));
    phone->clear();
    dialog.on_pushButton_Register_clicked();
    EXPECT_EQ(lastText(boxes), QStringLiteral("手机号不能为空"));

    phone->setText(QStringLiteral("13800000000"));
    dialog.on_pushButton_sendSMS_clicked();
    const QString code = QString::fromStdString(dialog.smsCode().code());
    const QString wrong = code == QStringLiteral("0000") ? QStringLiteral("1111") : QStringLiteral("0000");
    phone->setReadOnly(false);

    struct Case {
        QString phone, sms, password, confirmation, box;
    };
    const Case cases[] = {
        {"1380000000", code, "abcdef", "abcdef", "手机号太短"},
        {"13800000000", wrong, "", "", "验证码不正确"},
        {"13800000000", code, "", "", "密码不能为空"},
        {"13800000000", code, "abcde", "abcde", "密码不能短于6位"},
        {"13800000000", code, "abcdef", "abcdeF", "两次密码输入不一致"},
    };
    for (const Case& c : cases) {
        phone->setText(c.phone);
        sms->setText(c.sms);
        password->setText(c.password);
        confirm->setText(c.confirmation);
        boxes.clear();
        dialog.on_pushButton_Register_clicked();
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().text, c.box);
    }
    EXPECT_EQ(server->paths(), std::vector<std::string>{"/svc/sendSMS"});

    phone->setText(QStringLiteral("13800000000"));
    sms->setText(code);
    password->setText(QStringLiteral("pass.word"));
    confirm->setText(QStringLiteral("pass.word"));
    child<QLineEdit>(&dialog, "lineEdit_name")->setText(QStringLiteral("小红"));
    child<QLineEdit>(&dialog, "lineEdit_number")->setText(QStringLiteral("s-2"));
    child<QLineEdit>(&dialog, "lineEdit_contact")->setText(QStringLiteral("qq"));
    for (QRadioButton* radio : dialog.findChildren<QRadioButton*>())
        if (radio->text() == QStringLiteral("女"))
            radio->click();
    server->setReply("/svc/userRegister", 200, "{\"returnCode\":6,\"returnMsg\":\"手机号已注册\"}");
    dialog.on_pushButton_Register_clicked();
    EXPECT_EQ(lastText(boxes), QStringLiteral("手机号已注册"));
    EXPECT_EQ(dialog.result(), 0);

    server->setReply("/svc/userRegister", 200, "{\"returnCode\":0}");
    dialog.on_pushButton_Register_clicked();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.getUserID(), QStringLiteral("13800000000"));
    const Json::Value body = parse(server->requests().back().body);
    EXPECT_EQ(body["userID"].asString(), "13800000000");
    EXPECT_EQ(body["id_type"], 0);
    EXPECT_EQ(body["user_type"], 2);
    EXPECT_EQ(body["password"].asString(), getMd5(QStringLiteral("pass.word")).toStdString());
    EXPECT_EQ(body["username"].asString(), "小红");
    EXPECT_EQ(body["sex"], 1);
    EXPECT_EQ(body["student_number"].asString(), "s-2");
    EXPECT_EQ(body["contact"].asString(), "qq");
}

TEST_F(RegisterTest, FieldsAcceptWhatTheirRulesAllow)
{
    UserRegister dialog;
    struct Case {
        const char* name;
        QString typed;
        QString kept;
    };
    const Case cases[] = {
        {"lineEdit_userID", QStringLiteral("138a0-0000 0000"), QStringLiteral("13800000000")},
        {"lineEdit_SMS", QStringLiteral("1x2.345"), QStringLiteral("1234")},
        {"lineEdit_password", QStringLiteral("ab c.d_-9~"), QStringLiteral("abc.d_-9")},
        {"lineEdit_confirm", QStringLiteral("ab c.d_-9~"), QStringLiteral("abc.d_-9")},
    };
    for (const Case& c : cases) {
        auto* field = child<QLineEdit>(&dialog, c.name);
        QTest::keyClicks(field, c.typed);
        EXPECT_EQ(field->text(), c.kept) << c.name;
    }
    EXPECT_EQ(child<QLineEdit>(&dialog, "lineEdit_password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(child<QLineEdit>(&dialog, "lineEdit_password")->maxLength(), 20);
}

TEST_F(RegisterTest, PictureCodeAndSmsMark)
{
    UserRegister dialog;
    auto* label = dialog.findChild<VerificationCodeLabel*>();
    auto* picture = child<QLineEdit>(&dialog, "lineEdit_verification");
    auto* registerButton = child<QPushButton>(&dialog, "pushButton_Register");
    const QString code = label->codeText();
    if (swapCase(code) != code) {
        picture->setText(swapCase(code));
        EXPECT_FALSE(registerButton->isEnabled());
    }
    picture->setText(code);
    EXPECT_TRUE(registerButton->isEnabled());
    // A new picture leaves the button as it is until the input changes.
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_TRUE(registerButton->isEnabled());
    picture->setText(code.left(3));
    EXPECT_FALSE(registerButton->isEnabled());

    child<QLineEdit>(&dialog, "lineEdit_userID")->setText(QStringLiteral("13800000000"));
    dialog.on_pushButton_sendSMS_clicked();
    const QString sms = QString::fromStdString(dialog.smsCode().code());
    auto* mark = child<QLabel>(&dialog, "label_smsMark");
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->size(), QSize(24, 24));
    auto* smsField = child<QLineEdit>(&dialog, "lineEdit_SMS");
    smsField->setText(sms);
    EXPECT_TRUE(showsMark(mark, kRightMark));
    smsField->setText(sms == QStringLiteral("9999") ? QStringLiteral("9998") : QStringLiteral("9999"));
    EXPECT_TRUE(showsMark(mark, kWrongMark));
    smsField->setText(QStringLiteral("99"));
    EXPECT_TRUE(mark->pixmap(Qt::ReturnByValue).isNull());
}

using ResetTest = ServiceTest;

TEST_F(ResetTest, HandedNumberChecksAndReset)
{
    ModalRecorder boxes;
    {
        UserPasswordReset shorter;
        shorter.setUserID(QStringLiteral("1380000"));
        EXPECT_FALSE(child<QPushButton>(&shorter, "pushButton_sendSMS")->isEnabled());
    }
    UserPasswordReset dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("重置密码"));
    auto* send = child<QPushButton>(&dialog, "pushButton_sendSMS");
    auto* reset = child<QPushButton>(&dialog, "pushButton_reset");
    auto* sms = child<QLineEdit>(&dialog, "lineEdit_SMS");
    EXPECT_FALSE(reset->isEnabled());
    dialog.setUserID(QStringLiteral("13800000000"));
    EXPECT_TRUE(send->isEnabled());

    dialog.on_pushButton_reset_clicked();
    EXPECT_EQ(lastText(boxes), QStringLiteral("验证码不能为空"));

    QTest::mouseClick(send, Qt::LeftButton);
    const QString code = QString::fromStdString(dialog.smsCode().code());
    ASSERT_EQ(code.size(), 4);
    const QString wrongLast = code.left(3) + (code[3] == QLatin1Char('9') ? QStringLiteral("0") : QStringLiteral("9"));
    QTest::keyClicks(sms, wrongLast);
    EXPECT_TRUE(showsMark(child<QLabel>(&dialog, "label_smsMark"), kWrongMark));
    EXPECT_FALSE(reset->isEnabled());
    dialog.on_pushButton_reset_clicked();
    EXPECT_EQ(lastText(boxes), QStringLiteral("验证码不正确"));

    sms->setText(code);
    EXPECT_TRUE(showsMark(child<QLabel>(&dialog, "label_smsMark"), kRightMark));
    EXPECT_TRUE(reset->isEnabled());
    server->setReply("/svc/resetPassword", 200, "{\"returnCode\":3,\"returnMsg\":\"帐户不存在\"}");
    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(lastText(boxes), QStringLiteral("帐户不存在"));
    EXPECT_EQ(dialog.result(), 0);

    server->setReply("/svc/resetPassword", 200, "{\"returnCode\":0}");
    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(parse(server->requests().back().body)["userID"].asString(), "13800000000");
    EXPECT_EQ(server->paths(), (std::vector<std::string>{"/svc/sendSMS", "/svc/resetPassword", "/svc/resetPassword"}));
}

class LoginTest : public ServiceTest {
protected:
    void reply(int userType)
    {
        server->setReply("/svc/userLogin", 200,
                         "{\"returnCode\":0,\"returnMsg\":\"ok\",\"data\":{\"id\":8,\"userID\":\"13800000000\","
                         "\"user_type\":" +
                             std::to_string(userType) + ",\"password\":\"token-8\"}}");
    }
    static QString errorText(UserLogin& dialog) { return child<QLabel>(&dialog, "label_error")->text(); }
    static QString red(const QString& text)
    {
        return QStringLiteral("<font color=\"red\">") + text + QStringLiteral("</font>");
    }
};

TEST_F(LoginTest, InputChecksSendNothing)
{
    UserLogin dialog;
    auto* userID = child<QLineEdit>(&dialog, "lineEdit_userID");
    auto* password = child<QLineEdit>(&dialog, "lineEdit_password");
    EXPECT_TRUE(child<QLabel>(&dialog, "label_error")->isHidden());
    const std::tuple<QString, QString, QString> cases[] = {
        {"", "abcdef", "手机号不能为空"},
        {"1380000000", "abcdef", "手机号位数不对"},
        {"13800000000", "", "密码不能为空"},
        {"13800000000", "abcde", "密码太短"},
    };
    for (const auto& c : cases) {
        userID->setText(std::get<0>(c));
        password->setText(std::get<1>(c));
        dialog.on_btn_login_clicked();
        EXPECT_EQ(errorText(dialog), red(std::get<2>(c)));
        EXPECT_FALSE(child<QLabel>(&dialog, "label_error")->isHidden());
    }
    EXPECT_TRUE(server->requests().empty());
}

TEST_F(LoginTest, AcceptedLoginRemembersTheAccount)
{
    reply(2);
    UserLogin dialog;
    child<QLineEdit>(&dialog, "lineEdit_userID")->setText(QStringLiteral("13800000000"));
    child<QLineEdit>(&dialog, "lineEdit_password")->setText(QStringLiteral("secret1"));
    child<QCheckBox>(&dialog, "checkBox_remember")->setChecked(true);
    EXPECT_EQ(getIniValue<int>(QStringLiteral("remember_password"), -1), 2);

    dialog.on_btn_login_clicked();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const Json::Value body = parse(server->requests().back().body);
    EXPECT_EQ(body["userID"].asString(), "13800000000");
    EXPECT_EQ(body["password"].asString(), getMd5(QStringLiteral("secret1")).toStdString());
    EXPECT_EQ(dialog.loggedInUser().id, 8);
    EXPECT_EQ(client->token(), "token-8");
    EXPECT_EQ(getIniValue<QString>(QStringLiteral("userID"), QString()), QStringLiteral("13800000000"));
    QByteArray expected;
    ASSERT_TRUE(encipherRememberedPassword(QStringLiteral("secret1"), expected));
    const QByteArray stored = getIniValue<QByteArray>(QStringLiteral("password"), QByteArray());
    EXPECT_EQ(stored.size(), 32);
    EXPECT_EQ(stored, expected);
    EXPECT_FALSE(stored.contains("secret1"));
}

TEST_F(LoginTest, RefusalsStoreNothingAndLeaveNoToken)
{
    UserLogin dialog;
    child<QLineEdit>(&dialog, "lineEdit_userID")->setText(QStringLiteral("13800000000"));
    child<QLineEdit>(&dialog, "lineEdit_password")->setText(QStringLiteral("secret1"));
    child<QCheckBox>(&dialog, "checkBox_remember")->setChecked(true);

    reply(1);
    dialog.on_btn_login_clicked();
    EXPECT_EQ(errorText(dialog), red(QStringLiteral("无权限!非法登录")));
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(client->token(), "");
    EXPECT_FALSE(QSettings(QStringLiteral("Lorvane.ini"), QSettings::IniFormat).contains(QStringLiteral("userID")));

    server->setReply("/svc/userLogin", 200, "{\"returnCode\":2,\"returnMsg\":\"密码错误\"}");
    dialog.on_btn_login_clicked();
    EXPECT_EQ(errorText(dialog), red(QStringLiteral("密码错误")));
    EXPECT_EQ(child<QLineEdit>(&dialog, "lineEdit_password")->text(), QStringLiteral("secret1"));
    EXPECT_FALSE(QSettings(QStringLiteral("Lorvane.ini"), QSettings::IniFormat).contains(QStringLiteral("password")));
}

TEST_F(LoginTest, RememberedPasswordMustFitItsBlock)
{
    const std::pair<QString, bool> cases[] = {
        {QStringLiteral("abcdef"), true},       {QString(31, QLatin1Char('a')), true},
        {QString(32, QLatin1Char('a')), false}, {QString(10, QChar(0x5BC6)), true},  // 30 bytes
        {QString(11, QChar(0x5BC6)), false},                                         // 33 bytes
    };
    for (const auto& c : cases) {
        QByteArray out("untouched");
        EXPECT_EQ(encipherRememberedPassword(c.first, out), c.second) << c.first.size();
        EXPECT_EQ(out.size(), c.second ? 32 : 9);
    }

    // Too long to remember: the login goes on, the password is not stored.
    reply(2);
    UserLogin dialog;
    child<QLineEdit>(&dialog, "lineEdit_userID")->setText(QStringLiteral("13800000000"));
    child<QLineEdit>(&dialog, "lineEdit_password")->setText(QString(11, QChar(0x5BC6)));
    child<QCheckBox>(&dialog, "checkBox_remember")->setChecked(true);
    dialog.on_btn_login_clicked();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(QSettings(QStringLiteral("Lorvane.ini"), QSettings::IniFormat).contains(QStringLiteral("password")));
}

TEST_F(LoginTest, EmptiedFieldsForgetTheStoredAccount)
{
    setIniValue(QStringLiteral("userID"), QStringLiteral("13800000000"));
    setIniValue(QStringLiteral("password"), QByteArray(32, 'k'));
    UserLogin dialog;
    auto* userID = child<QLineEdit>(&dialog, "lineEdit_userID");
    auto* password = child<QLineEdit>(&dialog, "lineEdit_password");
    userID->setText(QStringLiteral("1380"));
    password->setText(QStringLiteral("abcdef"));
    EXPECT_EQ(getIniValue<QString>(QStringLiteral("userID"), QString()), QStringLiteral("13800000000"));

    userID->clear();
    EXPECT_TRUE(password->text().isEmpty());
    QSettings settings(QStringLiteral("Lorvane.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("userID")).toString(), QString());
    EXPECT_TRUE(settings.value(QStringLiteral("password")).toByteArray().isEmpty());

    setIniValue(QStringLiteral("password"), QByteArray(32, 'k'));
    password->setText(QStringLiteral("a"));
    password->clear();
    EXPECT_TRUE(getIniValue<QByteArray>(QStringLiteral("password"), QByteArray("x")).isEmpty());
}

TEST_F(LoginTest, RegistrationAndResetComeBackToTheLogin)
{
    UserLogin dialog;
    auto* userID = child<QLineEdit>(&dialog, "lineEdit_userID");
    auto* password = child<QLineEdit>(&dialog, "lineEdit_password");
    ModalRecorder modals;

    whenShown<UserRegister>(modals, [](UserRegister* reg) {
        reg->findChild<QLineEdit*>(QStringLiteral("lineEdit_userID"))->setText(QStringLiteral("13900000000"));
        reg->accept();
    });
    dialog.on_btn_register_clicked();
    EXPECT_EQ(userID->text(), QStringLiteral("13900000000"));
    EXPECT_EQ(errorText(dialog), red(QStringLiteral("注册成功，请登录")));

    password->setText(QStringLiteral("abcdef"));
    QString handed;
    whenShown<UserPasswordReset>(modals, [&handed](UserPasswordReset* reset) {
        handed = reset->findChild<QLineEdit*>(QStringLiteral("lineEdit_userID"))->text();
        reset->accept();
    });
    dialog.on_btn_forget_password_clicked();
    EXPECT_EQ(handed, QStringLiteral("13900000000"));
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_EQ(errorText(dialog), red(QStringLiteral("重置密码成功，默认密码704182")));

    // Closing the nested dialog changes nothing.
    password->setText(QStringLiteral("abcdef"));
    whenShown<UserPasswordReset>(modals, [](UserPasswordReset* reset) { reset->reject(); });
    dialog.on_btn_forget_password_clicked();
    EXPECT_EQ(password->text(), QStringLiteral("abcdef"));
}
