#include "export/ExportPlan.h"

#include <algorithm>
#include <chrono>
#include <map>

#include <QStringList>

namespace exportplan {

const QString& forbiddenCharacters()
{
    static const QString chars = QStringLiteral("\\/:*?\"<>|");
    return chars;
}

QString forbiddenCharactersMessage()
{
    QStringList listed;
    for (const QChar c : forbiddenCharacters())
        listed << QString(c);
    return QStringLiteral("文件名称不能包含以下字符：") + listed.join(QLatin1Char(' '));
}

bool hasForbiddenCharacter(const QString& name)
{
    for (const QChar c : forbiddenCharacters()) {
        if (name.contains(c))
            return true;
    }
    return false;
}

QString defaultFileName(const std::string& grade, const std::string& term, const std::string& subject,
                        const std::vector<_detail_t>& questions)
{
    const int first = questions.empty() ? 0 : questions.front().number;
    const int last = questions.empty() ? 0 : questions.back().number;
    return QStringLiteral("%1%2%3XXXX(%4-%5)")
        .arg(QString::fromUtf8(grade.c_str()), QString::fromUtf8(term.c_str()), QString::fromUtf8(subject.c_str()))
        .arg(first)
        .arg(last);
}

QString documentName(const QString& fileName, const QString& part, const QString& extension)
{
    const QString placeholder = QStringLiteral("XXXX");
    QString name = fileName;
    if (name.contains(placeholder, Qt::CaseSensitive))
        name.replace(placeholder, part, Qt::CaseSensitive);
    else
        name += part;
    return QLatin1Char('/') + name + extension;
}

std::vector<_detail_t> documentOrder(const std::vector<_detail_t>& questions, int order, std::mt19937& random)
{
    std::map<int, std::vector<_detail_t>> groups;
    for (const _detail_t& q : questions)
        groups[q.questiontype].push_back(q);
    std::vector<_detail_t> result;
    result.reserve(questions.size());
    int counter = 1;
    for (auto& [type, group] : groups) {
        (void)type;
        if (order == 0) {
            std::stable_sort(group.begin(), group.end(),
                             [](const _detail_t& a, const _detail_t& b) { return a.number < b.number; });
        } else if (order == 1) {
            std::shuffle(group.begin(), group.end(), random);
            for (_detail_t& q : group)
                q.number = counter++;
        }
        result.insert(result.end(), group.begin(), group.end());
    }
    return result;
}

std::mt19937& randomEngine()
{
    static std::mt19937 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(),
                           static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()),
                           static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count())};
        return std::mt19937(seed);
    }();
    return engine;
}

std::vector<int> questionTypeIds(const std::vector<_detail_t>& questions)
{
    std::vector<int> ids;
    for (const _detail_t& q : questions) {
        if (std::find(ids.begin(), ids.end(), q.questiontype) == ids.end())
            ids.push_back(q.questiontype);
    }
    return ids;
}

}  // namespace exportplan
