#pragma once

#include <QApplication>
#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/Sqlite.h"
#include "support/TestEnv.h"

// A prepared data folder with the real question database, logged into the
// built-in account and with the base data loaded into AppContext, as the
// program has it when the main window opens a dialog.
class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data = testenv::prepareDataFolder();
        db = Singleton<sqlite>::instance();
        std::string err;
        _user_t user;
        ASSERT_EQ(db->login("lorvane", "704182", user, err), 0) << err;
        AppContext* context = AppContext::instance();
        context->user = user;
        context->user_folder = std::to_string(user.id);
        context->setBaseData(types());
        ASSERT_FALSE(context->subjects.empty());
        context->subject = context->subjects.front();
    }

    std::map<int, _type_t> types()
    {
        std::map<int, _type_t> all;
        std::string err;
        EXPECT_EQ(db->getTypes(AppContext::instance()->user.id, all, err), 0) << err;
        return all;
    }

    // The stored entries of a group, by order then id.
    std::vector<_type_t> group(int g)
    {
        std::vector<_type_t> list;
        for (const auto& entry : types())
            if (entry.second.group == g)
                list.push_back(entry.second);
        std::stable_sort(list.begin(), list.end(),
                         [](const _type_t& a, const _type_t& b) { return a.order < b.order; });
        return list;
    }

    _type_t byName(const std::string& name)
    {
        for (const auto& entry : types())
            if (entry.second.name == name)
                return entry.second;
        ADD_FAILURE() << "no entry " << name;
        return _type_t();
    }

    QString data;
    IDatabase* db = nullptr;
};
