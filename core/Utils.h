#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

// Holds the UTF-8 form of a zero-terminated GBK (code page 936) text.
// Text without bytes of 0x80 or above is not copied: the holder points at the
// caller's own text, which must outlive it. A null or empty text gives null.
class GbkToUtf8 {
public:
    explicit GbkToUtf8(const char* text);
    ~GbkToUtf8();

    const char* text() const { return text_; }
    operator const char*() const { return text_; }
    bool owned() const { return owned_; }

private:
    GbkToUtf8(const GbkToUtf8&) = delete;
    GbkToUtf8& operator=(const GbkToUtf8&) = delete;

    const char* text_ = nullptr;
    bool owned_ = false;
};

// The first network adapter's hardware address as "%02X-%02X-%02X-%02X-%02X-%02X".
// 0 on success; otherwise a non-zero code and mac is left unchanged.
int getMacAddress(std::string& mac);

// The computer's name; empty when it cannot be read.
std::string getComputerName();

// Scales in down to maxWidth (never up), then encodes it as JPEG at quality
// 100, 90 and 80 until the encoding fits maxKB kilobytes (the quality-80
// encoding is kept whatever its size); out is that encoding decoded again.
void compressImage(const QImage& in, QImage& out, int maxWidth, int maxKB);
// The same from a file read through platform::readPicture: a picture that
// cannot be read or declares too many pixels writes nothing.
void compressImageFile(const QString& srcPath, const QString& dstPath, int maxWidth, int maxKB);

// Copies the files and folders of srcDir (not hidden ones) into dstDir.
// False when the source does not exist or anything could not be copied.
bool copyDirectory(const QString& srcDir, const QString& dstDir, bool overwrite);

// Adds the sizes of all files below path (hidden ones included, directory
// links not followed) to *total. A missing folder adds nothing.
void getDirectorySize(const char* path, uint64_t* total);

// Standard base64; stops at the first '=' or character outside the alphabet.
std::string base64Decode(const std::string& encoded);
// The same over size bytes at data (no copy of a large text needed).
std::string base64Decode(const char* data, size_t size);

// Replaces every occurrence of from by to; an empty from changes nothing.
std::string& replaceAll(std::string& text, const std::string& from, const std::string& to);
