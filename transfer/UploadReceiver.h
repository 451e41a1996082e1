#pragma once

#include <QMetaType>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <string>

// The phone's two upload requests, read defensively:
//
//   POST /uploadTotalCount  {"total_number": n}
//   POST /uploadfile        {"returnCode": 0, "filename": "a.jpg", "img": "<Base64>"}
//
// A body that is not a JSON object, or a member of the wrong type, is an
// error ("parse json error", status 400), never an exception. The file name
// is reduced to its last component ("/" and "\" both separate); "", ".",
// "..", names with ":" or NUL and names over 255 bytes are refused (400). A
// data-URL prefix ("data:image/jpeg;base64,") before the Base64 text is
// skipped.
//
// Only pictures are kept: the bytes must be a JPEG, PNG or BMP picture (by
// their content, whatever the name says) that decodes whole; anything else
// is refused with 415. A picture declaring more than the program decodes
// (platform::pictureSizeAllowed) is refused with 413 before it is decoded. A name whose
// suffix does not fit the content gets the content's suffix added
// ("photo.heic" holding a JPEG is written as "photo.heic.jpg"): the library
// lists pictures by their suffix.
//
// The file is created new (O_EXCL) and written completely before it is
// reported; a write that fails removes the file again (500). It never
// replaces a file: a name that is taken, by this receiver's earlier picture
// or by anything else in the folder (a link included), gets a number instead
// ("a_2.jpg").
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
        int status = 200;  // the HTTP status the request is answered with
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
    Result keep(const QString& name, const std::string& bytes);

    QString folder_;
    QSet<QString> received_;
};

Q_DECLARE_METATYPE(UploadReceiver::Result)
