#pragma once

#include <QByteArray>
#include <QStandardPaths>
#include <QString>
#include <QVariantMap>

#include "core/Settings.h"

// Every key the program keeps in "Lorvane.ini": name, type and the value a
// missing key gives, in one place. Read and write them with
// getIniValue(ini::kKey) and setIniValue(ini::kKey, value) (core/Settings.h).
//
// The web service's address (section [General]: host, port, project) is not
// here: the service client reads it with the profile reader and nothing
// writes it.
namespace ini {

// The user's documents folder, where the file choosers and the export start.
inline QString documentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// ---- Main window, question list, settings dialog

// The main window was maximized when it closed.
inline const SettingKey<bool> kMainWindow{"mainWindow", false};
// First-use hints still to show, one bit each; each owner clears its own bit.
constexpr int kFirstRunMainTip = 1;     // the main window's start tip
constexpr int kFirstRunQrCodeHelp = 2;  // the help page of the QR-code dialog
constexpr int kFirstRunExportHelp = 4;  // the help page of the export dialog
inline const SettingKey<int> kFirstRun{"first_run", kFirstRunMainTip | kFirstRunQrCodeHelp | kFirstRunExportHelp};
// Question list order: 0 number ascending, 1 number descending.
inline const SettingKey<int> kDetailOrder{"detail_order", 0};
// Mastery icon style, 0 to 3.
inline const SettingKey<int> kStateIcon{"state_ico", 3};
// Start-up version check: the check box state, 0 unchecked or 2 checked.
inline const SettingKey<Qt::CheckState> kAutoUpdate{"auto_update", Qt::Checked};

// ---- Capture and editing

// How a cut question is joined: 0 前后拼接, 1 同屏拼接.
inline const SettingKey<int> kImportMode{"import_mode", 0};
// Text size the automatic picture sizing aims at.
inline const SettingKey<int> kImageAutoValue{"image_auto_value", 16};
// The capture window and the question viewer were maximized when they closed.
inline const SettingKey<bool> kImportWindow{"importWindow", false};
inline const SettingKey<bool> kViewWindow{"viewWindow", false};
// The running number of the next file copied into the library folder.
inline const SettingKey<int> kImportIndex{"import_index", 1};
// Folders of the last image-file and PDF imports.
inline const SettingKey<QString> kImportTopicImage{"import_topic_image",
                                                   SettingKey<QString>::RuntimeDefault{&documentsFolder}};
inline const SettingKey<QString> kImportTopicPdf{"import_topic_PDF",
                                                 SettingKey<QString>::RuntimeDefault{&documentsFolder}};
// Questions of the current user, grade, term and subject, for the usage report.
inline const SettingKey<int> kImportTimes{"import_times", 0};
// Document camera: quarter turns (positive clockwise) and the deskew check
// box state (0 off, 2 on).
inline const SettingKey<int> kVideoRotate{"video_rotate", 0};
inline const SettingKey<int> kScanBoxDesk{"scan_boxDesk", 2};
// Answer editor's font preset; the size is written as a float.
inline const SettingKey<QString> kTextEditTextFamily{"TextEdit_textFamily", QStringLiteral("SimSun")};
inline const SettingKey<double> kTextEditTextSize{"TextEdit_textSize", 12.0};

// ---- Export

// 0 document templates (.docx), 1 Word automation.
inline const SettingKey<int> kExportStyle{"export_style", 0};
// 0 原题重做, 1 错题再现.
inline const SettingKey<int> kExportType{"export_type", 0};
// 0 by number, 1 shuffled.
inline const SettingKey<int> kExportOrder{"export_order", 0};
// Options printed, bit i for option i: 分值, 类别, 考点, 错误原因, 题目来源, 备注.
inline const SettingKey<int> kExportOptions{"export_options", 15};
inline const SettingKey<QString> kExportTitle{"export_title", QString()};
// The export folder (the documents go into its "岚溪错题本导出").
inline const SettingKey<QString> kExportTopicPath{"export_topic_path",
                                                  SettingKey<QString>::RuntimeDefault{&documentsFolder}};
// Lines of space after each question type: question-type name -> lines.
inline const SettingKey<QVariantMap> kDetailSpace{"DetailSpace", QVariantMap()};

// ---- Web service and account

// The adapter address sent with the usage report, fetched once.
inline const SettingKey<QString> kMac{"mac", QString()};
// The last account logged into, its remembered password (the enciphered
// bytes) and the 记住密码 check box state (0 or 2). Written only.
inline const SettingKey<QString> kUserId{"userID", QString()};
inline const SettingKey<QByteArray> kPassword{"password", QByteArray()};
inline const SettingKey<int> kRememberPassword{"remember_password", 0};

}  // namespace ini
