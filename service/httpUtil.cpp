#include "service/httpUtil.h"

#include <json/json.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "core/Format.h"
#include "platform/Profile.h"

namespace {

const char kParseError[] = "parse json error";

// Member readers of a reply: a missing or null member reads as 0 or the empty
// text; a member of another type makes the reply malformed (false).
bool readText(const Json::Value& object, const char* key, std::string& out)
{
    const Json::Value& value = object[key];
    if (value.isNull()) {
        out.clear();
        return true;
    }
    if (!value.isString())
        return false;
    out = value.asString();
    return true;
}

bool readInt(const Json::Value& object, const char* key, int& out)
{
    const Json::Value& value = object[key];
    if (value.isNull()) {
        out = 0;
        return true;
    }
    if (!value.isInt())
        return false;
    out = value.asInt();
    return true;
}

bool readLines(const Json::Value& object, const char* key, std::vector<std::string>& out)
{
    const Json::Value& value = object[key];
    if (value.isNull())
        return true;
    if (!value.isArray())
        return false;
    for (const Json::Value& line : value) {
        if (!line.isString())
            return false;
        out.push_back(line.asString());
    }
    return true;
}

// Reads the "data" object of a successful reply; false when malformed.
using DataReader = std::function<bool(const Json::Value& data)>;

std::string serialise(const Json::Value& request)
{
    Json::FastWriter writer;
    return writer.write(request);
}

}  // namespace

httpUtil::httpUtil()
{
    loadAddress();
}

void httpUtil::loadAddress()
{
    const std::string file = "./Lorvane.ini";
    host = platform::readProfileString("General", "host", "", file);
    port = std::atoi(platform::readProfileString("General", "port", "", file).c_str());
    project = platform::readProfileString("General", "project", "", file);
}

namespace {

// The shared road of the JSON operations: post, parse the envelope, hand the
// data of a successful reply to read (when given), return returnCode.
int exchange(httpUtil& client, const std::string& path, const Json::Value& request, std::string& msg,
             const DataReader& read = DataReader())
{
    std::string response;
    if (client.post(path, serialise(request), response, msg) != 0)
        return -1;

    try {
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        std::string errors;
        if (!reader->parse(response.data(), response.data() + response.size(), &root, &errors) || !root.isObject()) {
            msg = kParseError;
            return -1;
        }
        const Json::Value& code = root["returnCode"];
        if (!code.isInt()) {
            msg = kParseError;
            return -1;
        }
        std::string text;
        if (!readText(root, "returnMsg", text)) {
            msg = kParseError;
            return -1;
        }
        const int returnCode = code.asInt();
        if (returnCode == 0 && read) {
            const Json::Value& data = root["data"];
            if (!(data.isNull() || data.isObject()) || !read(data.isNull() ? Json::Value(Json::objectValue) : data)) {
                msg = kParseError;
                return -1;
            }
        }
        msg = text;
        return returnCode;
    } catch (const std::exception&) {
        msg = kParseError;
        return -1;
    }
}

}  // namespace

int httpUtil::addUserInfo(std::string mac, int app_type, std::string app_version, std::string machine_name,
                          std::string username, int sex, std::string grade, std::string term,
                          std::string student_number, std::string contact, int import_times, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["app_type"] = app_type;
    request["app_version"] = app_version;
    request["mac"] = mac;
    request["machine_name"] = machine_name;
    request["username"] = username;
    request["sex"] = sex;
    request["grade"] = grade;
    request["term"] = term;
    request["student_number"] = student_number;
    request["contact"] = contact;
    request["import_times"] = import_times;
    return exchange(*this, "/addUserInfo", request, msg);
}

int httpUtil::getVersion(int app_type, _version_t& out, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["app_type"] = app_type;
    return exchange(*this, "/getVersion", request, msg, [&out](const Json::Value& data) {
        _version_t read;
        if (!readText(data, "version", read.version) || !readText(data, "title", read.title) ||
            !readText(data, "url", read.url) || !readLines(data, "information", read.information))
            return false;
        out.version = read.version;
        out.title = read.title;
        out.url = read.url;
        out.information.insert(out.information.end(), read.information.begin(), read.information.end());
        return true;
    });
}

int httpUtil::getAdvertisement(int app_type, _advertisement_t& out, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["app_type"] = app_type;
    return exchange(*this, "/getAdvertisement", request, msg, [&out](const Json::Value& data) {
        _advertisement_t read;
        if (!readText(data, "title", read.title) || !readText(data, "url", read.url) ||
            !readLines(data, "information", read.information))
            return false;
        out.title = read.title;
        out.url = read.url;
        out.information.insert(out.information.end(), read.information.begin(), read.information.end());
        return true;
    });
}

int httpUtil::addSuggest(std::string mac, std::string suggest, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["mac"] = mac;
    request["suggest"] = suggest;
    return exchange(*this, "/addSuggest", request, msg);
}

int httpUtil::userLogin(std::string userID, std::string password, _user_t& user, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["userID"] = userID;
    request["password"] = password;
    return exchange(*this, "/userLogin", request, msg, [this, &user](const Json::Value& data) {
        _user_t read;
        if (!readInt(data, "id", read.id) || !readText(data, "userID", read.userID) ||
            !readInt(data, "id_type", read.id_type) || !readInt(data, "user_type", read.user_type) ||
            !readText(data, "password", read.password) || !readText(data, "username", read.username) ||
            !readInt(data, "sex", read.sex) || !readInt(data, "school_id", read.school_id) ||
            !readText(data, "contact", read.contact) || !readText(data, "student_number", read.student_number) ||
            !readText(data, "registration_time", read.registration_time) ||
            !readText(data, "login_time", read.login_time))
            return false;
        user = read;
        setToken(read.password);
        return true;
    });
}

int httpUtil::userRegister(std::string userID, int id_type, int user_type, std::string password, std::string username,
                           int sex, std::string student_number, std::string contact, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["userID"] = userID;
    request["id_type"] = id_type;
    request["user_type"] = user_type;
    request["password"] = password;
    request["username"] = username;
    request["sex"] = sex;
    request["student_number"] = student_number;
    request["contact"] = contact;
    return exchange(*this, "/userRegister", request, msg);
}

int httpUtil::resetPassword(std::string userID, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["userID"] = userID;
    return exchange(*this, "/resetPassword", request, msg);
}

int httpUtil::sendSMS(std::string PhoneNumbers, std::string code, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["PhoneNumbers"] = PhoneNumbers;
    request["code"] = code;
    return exchange(*this, "/sendSMS", request, msg);
}

int httpUtil::changePassword(int id, std::string password, std::string new_password, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["id"] = id;
    request["password"] = password;
    request["new_password"] = new_password;
    return exchange(*this, "/changePassword", request, msg);
}

int httpUtil::deleteUser(int id, std::string password, std::string& msg)
{
    Json::Value request(Json::objectValue);
    request["id"] = id;
    request["password"] = password;
    return exchange(*this, "/deleteUser", request, msg);
}

int httpUtil::fileDownload(int userId, std::string detailPath, std::string fileName, std::string dir, std::string& msg)
{
    const std::string path = format("/fileDownload/{0}/{1}/{2}", userId, detailPath, fileName);
    return download(path, fileName, dir, msg) == 0 ? 0 : -1;
}
