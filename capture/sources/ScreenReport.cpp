#include "capture/sources/ScreenReport.h"

#include <QTextCodec>

namespace {

constexpr int kHeaderSize = 4;

// The path bytes as text: null when they are not valid UTF-8.
bool decodeUtf8(const QByteArray& bytes, QString& text)
{
    QTextCodec* codec = QTextCodec::codecForName("UTF-8");
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

}  // namespace

ScreenReport parseScreenReport(const QByteArray& buffer)
{
    ScreenReport report;
    if (buffer.isEmpty())
        return report;

    report.kind = ScreenReport::Kind::Malformed;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.constData());
    const int size = buffer.size();
    if (size < 3 || bytes[0] != 0x7E || bytes[1] != 0x00)
        return report;
    if (bytes[2] != 0x01) {
        report.kind = ScreenReport::Kind::NotSaved;
        return report;
    }
    if (size < kHeaderSize)
        return report;
    const int length = bytes[3];
    if (size < kHeaderSize + length)
        return report;  // the path would run past the bytes received

    QByteArray path = buffer.mid(kHeaderSize, length);
    const int zero = path.indexOf('\0');
    if (zero >= 0) {
        // A terminator may end the path; a zero byte with more path after it
        // would make the file opened differ from the file reported.
        for (int i = zero; i < path.size(); ++i) {
            if (path.at(i) != '\0')
                return report;
        }
        path.truncate(zero);
    }
    if (path.isEmpty())
        return report;
    QString text;
    if (!decodeUtf8(path, text))
        return report;
    report.kind = ScreenReport::Kind::Saved;
    report.path = text;
    return report;
}
