#include "library/RowlessFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/IDatabase.h"
#include "core/Records.h"
#include "library/ClearDetail.h"

namespace rowless {

namespace {

const char* const kIncompleteText = "题目记录读取不完整，未清理题目文件夹";

// A question folder's name: a UUID without braces (8-4-4-4-12 hexadecimal
// digits). Anything else in the user's folder was not made by a save and is
// never touched.
bool looksLikeQuestionFolder(const QString& name)
{
    static const QRegularExpression uuid(
        QStringLiteral("^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$"));
    return uuid.match(name).hasMatch();
}

// The rows of one grade, term and subject, every state, no paging.
int bucketPaths(IDatabase& db, int userId, int grade, int term, int subject, std::set<std::string>& paths, int& rows,
                std::string& err)
{
    query_data query;
    query.user_id = userId;
    query.grade = grade;
    query.term = term;
    query.subject = subject;
    query.state = -1;
    query.times = -1;
    query.order = 2;  // no ordering needed
    std::vector<_detail_t> list;
    if (db.queryPointDetails(query, list, err) != 0)
        return -1;
    rows = static_cast<int>(list.size());
    for (const _detail_t& d : list)
        paths.insert(d.detail_path);
    return 0;
}

bool isBlankOrSeparator(QChar c)
{
    return c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('\\');
}

QString lenientForm(const QString& name)
{
    int begin = 0;
    int end = name.size();
    while (begin < end && isBlankOrSeparator(name.at(begin)))
        ++begin;
    while (end > begin && isBlankOrSeparator(name.at(end - 1)))
        --end;
    return name.mid(begin, end - begin).toCaseFolded();
}

std::size_t hashOf(const QString& text)
{
    return std::hash<std::u16string_view>()(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

// No folder name is longer (NAME_MAX is 255 bytes), so a longer row path
// cannot almost name one either: its shortened forms are not made, which
// keeps a hostile row of megabytes from costing its length squared.
const int kLongestName = 256;

// The hash of the form and of the form with each one character taken out.
template <typename Sink>
void eachKey(const QString& form, Sink sink)
{
    sink(hashOf(form));
    if (form.size() > kLongestName)
        return;
    for (int i = 0; i < form.size(); ++i) {
        QString shorter = form;
        shorter.remove(i, 1);
        sink(hashOf(shorter));
    }
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Adds every run of `path` shaped like a question folder's name (8-4-4-4-12
// hexadecimal digits) to `out`, in lower case. Runs may overlap. Linear in
// the length of the path: the hexadecimal digits that follow each position
// are counted once, from the end, and each position is then checked with a
// fixed number of looks. Only ASCII bytes are hexadecimal digits or hyphens,
// so the bytes of other UTF-8 characters never join a run.
void collectUuids(const std::string& path, std::unordered_set<std::string>& out)
{
    constexpr std::size_t kLength = 36;
    const std::size_t size = path.size();
    if (size < kLength)
        return;
    // run[i]: the hexadecimal digits from i on, counted up to 12 (the longest
    // group of a UUID).
    std::vector<unsigned char> run(size + 1, 0);
    for (std::size_t i = size; i-- > 0;)
        run[i] = isHexDigit(path[i]) ? static_cast<unsigned char>(std::min(run[i + 1] + 1, 12)) : 0;
    const auto group = [&](std::size_t at, int digits, bool hyphenAfter) {
        return run[at] >= digits && (!hyphenAfter || path[at + static_cast<std::size_t>(digits)] == '-');
    };
    for (std::size_t i = 0; i + kLength <= size; ++i) {
        if (group(i, 8, true) && group(i + 9, 4, true) && group(i + 14, 4, true) && group(i + 19, 4, true) &&
            group(i + 24, 12, false)) {
            std::string name = path.substr(i, kLength);
            std::transform(name.begin(), name.end(), name.begin(), lowerAscii);
            out.insert(std::move(name));
        }
    }
}

}  // namespace

RowNames::RowNames(const std::set<std::string>& paths)
{
    for (const std::string& path : paths) {
        eachKey(lenientForm(QString::fromStdString(path)), [this](std::size_t key) { keys_.push_back(key); });
        collectUuids(path, uuids_);
    }
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
}

bool RowNames::names(const QString& folder) const
{
    if (!uuids_.empty() && uuids_.count(folder.toLower().toStdString()) != 0)
        return true;
    bool found = false;
    eachKey(lenientForm(folder),
            [&](std::size_t key) { found = found || std::binary_search(keys_.begin(), keys_.end(), key); });
    return found;
}

int storedPaths(IDatabase& db, int userId, std::set<std::string>& paths, std::string& err)
{
    std::vector<std::tuple<int, int, int>> gradeTerms;
    if (db.getGradeTermCounts(userId, gradeTerms, err) != 0)
        return -1;
    std::set<std::string> found;
    for (const auto& [grade, term, expected] : gradeTerms) {
        std::vector<std::tuple<int, int, int>> subjects;
        if (db.getSubjectCounts(userId, grade, term, false, subjects, err) != 0)
            return -1;
        int read = 0;
        for (const auto& [subject, order, count] : subjects) {
            (void)order;
            int rows = 0;
            if (bucketPaths(db, userId, grade, term, subject, found, rows, err) != 0)
                return -1;
            if (rows != count) {
                err = kIncompleteText;
                return -1;
            }
            read += rows;
        }
        if (read != expected) {
            err = kIncompleteText;
            return -1;
        }
    }
    paths = std::move(found);
    return 0;
}

int removeRowlessFolders(IDatabase& db, int userId, int& removed, std::string& err)
{
    removed = 0;
    std::set<std::string> paths;
    if (storedPaths(db, userId, paths, err) != 0)
        return -1;
    const RowNames rows(paths);
    const std::string userFolder = std::to_string(userId);
    const QDir dir(QStringLiteral("item/%1").arg(userId));
    const QFileInfoList entries = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !entry.isDir() || !looksLikeQuestionFolder(entry.fileName()))
            continue;
        if (rows.names(entry.fileName()))
            continue;
        ClearDetail::removeQuestionFolder(userFolder, entry.fileName().toStdString());
        if (!QFileInfo::exists(entry.filePath()))
            ++removed;
    }
    return 0;
}

}  // namespace rowless
