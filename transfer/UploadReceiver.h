#pragma once

#include <QMetaType>
#include <QSet>
#include <QString>

#include <cstddef>
#include <string>

// The phone's two upload requests, read defensively:
//
//   POST /uploadTotalCount  {"total_number": n}
//   POST /uploadfile        {"returnCode": 0, "filename": "a.jpg", "img": "<Base64>"}
//
// A body that is not a JSON object, or a member of the wrong type, is an
// error ("parse json error"), never an exception. The file name is reduced
// to its last component ("/" and "\" both separate); "", ".", "..", names
// with ":" or NUL and names over 255 bytes are refused. A data-URL prefix
// ("data:image/jpeg;base64,") before the Base64 text is skipped. The file is
// written completely (to a temporary name, then renamed) into the folder
// before it is reported; a name already received by this receiver gets a
// number ("a_2.jpg") instead of overwriting the earlier picture.
//
// Not thread-safe: one receiver serves one thread at a time.
class UploadReceiver {
public:
    enum class Kind {
        None,   // another path: nothing to do
        Count,  // count holds the announced number of pictures
        File,   // path holds the written file
        Error,  // error says why nothing was done
    };
    struct Result {
        Kind kind = Kind::None;
        int count = 0;
        QString path;
        std::string error;
    };

    // folder: where pictures are written (the data folder's tmp).
    explicit UploadReceiver(QString folder);

    Result receive(const std::string& uri, const char* body, size_t length);

    // The last component of a received name; empty when the name is refused.
    static std::string safeName(const std::string& name);

    const QString& folder() const { return folder_; }

private:
    Result receiveCount(const char* body, size_t length);
    Result receiveFile(const char* body, size_t length);
    QString freeName(const QString& name) const;

    QString folder_;
    QSet<QString> received_;
};

Q_DECLARE_METATYPE(UploadReceiver::Result)
