#pragma once

// Questions with real files for the export tests: pictures, answer pages as
// the answer editor writes them (QTextDocument HTML, UTF-8, pictures beside
// them, referred to from the data folder) and records whose type names come
// from the real base data.

#include <QColor>
#include <QString>

#include <string>
#include <vector>

#include "core/Records.h"

namespace exportfixture {

// Data folder, database, login and base data (see library/QuestionFixture.h).
void openDatabase();

// The export's settings back to their defaults, the first-run tips passed
// and the export folder set to `folder`.
void resetExportSettings(const QString& folder);

// A w x h picture filled with colour and carrying text, in a Qt image format
// ("JPG", "PNG", "GIF", "BMP"). False when it could not be written.
bool writePicture(const QString& path, int w, int h, const QColor& colour, const QString& text,
                  const char* format = "JPG");

// An answer page: a centred bold 14 pt heading, a red italic underlined
// line, a line with the picture pictureSrc (120 px wide) and a 2 x 2 table
// with borders holding 表格甲, 表格乙, 表格丙, 表格丁.
QString answerHtml(const QString& heading, const QString& pictureSrc);

// Id of the question type (or other base-data entry) with that name.
int typeId(const char* name);

struct QuestionFiles {
    bool questionPicture = true;
    bool wrongPicture = true;
    bool answer = true;
    int pictureWidth = 320;
    int pictureHeight = 200;
};

// The folder item/<user>/<path> with "questions.jpg", "answer_wrong.jpg",
// "answer_right.html" and the answer's picture "answer.png"; the record of
// that question (number, type id, score 5, source and remark set).
_detail_t makeQuestion(int number, int questiontype, const std::string& path,
                       const QuestionFiles& files = QuestionFiles());

// The absolute path of a question's file.
QString questionFile(const _detail_t& q, const char* name);

}  // namespace exportfixture
