#include "core/AppContext.h"

#include <algorithm>

AppContext::AppContext()
{
    user.id = 10000;
    user.user_type = 2;
}

AppContext* AppContext::instance()
{
    static AppContext context;
    return &context;
}

void AppContext::setBaseData(const std::map<int, _type_t>& all)
{
    types = all;
    subjects.clear();
    classifications.clear();
    causes.clear();
    questiontypes.clear();
    for (const auto& [id, entry] : all) {
        (void)id;
        switch (entry.group) {
        case 1:
            if (entry.state == 1)
                grade = entry;
            break;
        case 2:
            if (entry.state == 1)
                term = entry;
            break;
        case 3:
            if (entry.state == 1)
                subjects.push_back(entry);
            break;
        case 4:
            if (entry.state == 1)
                classifications.push_back(entry);
            break;
        case 5:
            if (entry.state == 1)
                causes.push_back(entry);
            break;
        case 6:
            if (entry.state == 1)
                questiontypes.push_back(entry);
            break;
        default: break;
        }
    }
    auto byOrder = [](const _type_t& a, const _type_t& b) { return a.order < b.order; };
    std::stable_sort(subjects.begin(), subjects.end(), byOrder);
    std::stable_sort(classifications.begin(), classifications.end(), byOrder);
    std::stable_sort(causes.begin(), causes.end(), byOrder);
    std::stable_sort(questiontypes.begin(), questiontypes.end(), byOrder);
}

std::string AppContext::typeName(int id) const
{
    auto it = types.find(id);
    return it == types.end() ? std::string() : it->second.name;
}
