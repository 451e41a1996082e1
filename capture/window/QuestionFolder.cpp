#include "capture/window/QuestionFolder.h"

#include <QUuid>

#include "core/Format.h"

namespace questionfolder {

QString folder(const std::string& user, const std::string& detailPath)
{
    return QString::fromStdString(format("item/{0}/{1}", user, detailPath));
}

QString file(const std::string& user, const std::string& detailPath, const char* name)
{
    return QString::fromStdString(format("item/{0}/{1}/{2}", user, detailPath, name));
}

QString file(int userId, const std::string& detailPath, const char* name)
{
    return file(std::to_string(userId), detailPath, name);
}

QString newName()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

}  // namespace questionfolder
