#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/Records.h"

// The question database. Every operation returns 0 on success and -1 on
// failure (login also -2) and puts the error text (UTF-8) into err, which is
// left untouched on success. Containers are filled, not cleared, unless an
// operation says otherwise.
class IDatabase {
public:
    virtual ~IDatabase() = default;

    virtual int getVersion(int& version, std::string& err) = 0;
    virtual int getTypes(int user_id, std::map<int, _type_t>& types, std::string& err) = 0;
    virtual int addType(_type_t type, std::string& err) = 0;
    virtual int updateType(_type_t type, std::string& err) = 0;
    virtual int deleteType(int id, std::string& err) = 0;
    virtual int getTypeUsage(int id, int& count, std::string& err) = 0;
    virtual int login(std::string userID, std::string password, _user_t& user, std::string& err) = 0;
    virtual int updateUser(int id, std::string username, int sex, std::string student_number, std::string contact,
                           std::string& err) = 0;
    virtual int moveDetail(int id, int user_id, int grade, int term, int subject, std::string& err) = 0;
    virtual int updateDetail(int id, int state, int times, int classification, int cause, int questiontype,
                             std::string point, int score, std::string source, std::string remark,
                             std::string& err) = 0;
    virtual int setDetailsState(std::vector<int> ids, int state, std::string& err) = 0;
    virtual int setDetailsRemark(std::vector<int> ids, std::string remark, std::string& err) = 0;
    virtual int setDetailsSource(std::vector<int> ids, std::string source, std::string& err) = 0;
    virtual int deleteDetails(std::vector<int> ids, std::string& err) = 0;
    virtual int clearDetails(int user_id, int grade, int term, std::vector<std::string>& paths, std::string& err) = 0;
    virtual int addDetail(_detail_t& detail, std::string& err) = 0;
    virtual int getLastInsertId(int& id, std::string& err) = 0;
    virtual int queryDetails(query_data query, std::vector<_detail_t>& list, std::string& err) = 0;
    virtual int countDetails(query_data query, int& count, std::string& err) = 0;
    virtual int searchDetails(query_data query, std::vector<_detail_t>& list, std::string& err) = 0;
    virtual int countSearchDetails(query_data query, int& count, std::string& err) = 0;
    virtual int queryPointDetails(query_data query, std::vector<_detail_t>& list, std::string& err) = 0;
    virtual int getHotPoints(int user_id, int grade, int term, int subject, std::map<std::string, double>& points,
                             std::string& err) = 0;
    virtual int getCauseCounts(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                               std::string& err) = 0;
    virtual int getStateCounts(int user_id, int grade, int term, int subject,
                               std::vector<std::tuple<int, int, int>>& counts, std::string& err) = 0;
    virtual int getMonthlyAdded(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                                std::string& err) = 0;
    virtual int getMonthlyMastered(int user_id, int grade, int term, int subject, std::map<std::string, int>& counts,
                                   std::string& err) = 0;
    virtual int getGradeTermCounts(int user_id, std::vector<std::tuple<int, int, int>>& counts, std::string& err) = 0;
    virtual int getSubjectCounts(int user_id, int grade, int term, bool notMasteredOnly,
                                 std::vector<std::tuple<int, int, int>>& counts, std::string& err) = 0;
};
