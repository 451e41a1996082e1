#pragma once

#include <QImage>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <mutex>
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
// is refused with 415. The check is the program's picture door
// (platform::verifyPictureData), the same the library import makes: a JPEG
// whose own structure ends with its end marker (bytes after it, such as a
// motion photo's video, are kept but not read), a BMP holding the pixel data
// its header declares, a PNG that decodes; an ICO, SVG, GIF, ... is no
// picture whatever its name. A picture declaring more than the program
// decodes (platform::pictureSizeAllowed) is refused with 413 before it is
// decoded. A name whose suffix does not fit the content gets the content's
// suffix added ("photo.heic" holding a JPEG is written as "photo.heic.jpg"):
// the library lists pictures by their suffix.
//
// The file is created new (O_EXCL) and written completely before it is
// reported; a write that fails removes the file again (500). It never
// replaces a file: a name that is taken, by this receiver's earlier picture
// or by anything else in the folder (a link included), gets a number instead
// ("a_2.jpg"). A name with a number or an added suffix keeps within the
// file-name limit of 255 bytes: its stem is shortened by whole characters,
// the suffix kept.
//
// receive() may run on several threads at once (a server that decodes
// uploads on worker threads): the checks run side by side, the names are
// taken one at a time.
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
        QImage thumbnail;  // of the written file, when its owner made one
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
    std::mutex namesMutex_;
    QSet<QString> received_;  // guarded by namesMutex_
};

Q_DECLARE_METATYPE(UploadReceiver::Result)
