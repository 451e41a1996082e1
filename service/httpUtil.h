#pragma once

#include <string>
#include <vector>

#include "core/Records.h"
#include "core/Singleton.h"
#include "service/http.h"

// The offer of a newer version (reply of "/getVersion").
struct _version_t {
    std::string version;
    std::string title;
    std::vector<std::string> information;  // text lines
    std::string url;                       // the download page
};

// The client of the web service, one operation per endpoint. Each posts a
// JSON object and reads the reply envelope {returnCode, returnMsg, data}:
// the result is returnCode with msg = returnMsg, or -1 with the transport's
// text, or -1 with "parse json error" when the reply is not an envelope of the
// expected shape. Out-records are written only on returnCode 0 and a
// well-formed reply.
//
// The address comes from section [General] of "Lorvane.ini" (keys host, port,
// project), read once when the object is built.
class httpUtil : public http, public Singleton<httpUtil> {
public:
    httpUtil();
    ~httpUtil() override = default;

    // Reads host, port and project of [General] from the settings file in the
    // working directory.
    void loadAddress();

    int addUserInfo(std::string mac, int app_type, std::string app_version, std::string machine_name,
                    std::string username, int sex, std::string grade, std::string term, std::string student_number,
                    std::string contact, int import_times, std::string& msg);
    int getVersion(int app_type, _version_t& out, std::string& msg);
    int getAdvertisement(int app_type, _advertisement_t& out, std::string& msg);
    int addSuggest(std::string mac, std::string suggest, std::string& msg);
    int userLogin(std::string userID, std::string password, _user_t& user, std::string& msg);
    int userRegister(std::string userID, int id_type, int user_type, std::string password, std::string username,
                     int sex, std::string student_number, std::string contact, std::string& msg);
    int resetPassword(std::string userID, std::string& msg);
    int sendSMS(std::string PhoneNumbers, std::string code, std::string& msg);
    int changePassword(int id, std::string password, std::string new_password, std::string& msg);
    int deleteUser(int id, std::string password, std::string& msg);
    int fileDownload(int userId, std::string detailPath, std::string fileName, std::string dir, std::string& msg);
};
