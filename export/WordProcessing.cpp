#include "export/WordProcessing.h"

#include <algorithm>
#include <ctime>
#include <exception>

#include "export/docx/WordProcessingMerger.h"

namespace {

const char* const kDigits[] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
const char* const kTen = "十";
const char* const kComma = "、";

// China's clock runs eight hours ahead of UTC.
constexpr double kChinaOffsetSeconds = 28800;

}  // namespace

std::string getChineseNumber(int n)
{
    if (n < 1 || n > 99)
        return std::string();
    std::string text;
    if (n < 10) {
        text = kDigits[n];
    } else {
        if (n / 10 > 1)
            text = kDigits[n / 10];
        text += kTen;
        text += kDigits[n % 10];
    }
    return text + kComma;
}

std::string attributeLine(int options, const _answer_t& a)
{
    const std::string* fields[] = {&a.score, &a.classification, &a.point, &a.cause, &a.source, &a.remark};
    std::string line;
    for (int bit = 0; bit < 6; ++bit) {
        if (options & (1 << bit)) {
            line += *fields[bit];
            line += ' ';
        }
    }
    return line;
}

int blankLines(const std::map<std::string, int>& detailSpace, const std::string& type)
{
    auto it = detailSpace.find(type);
    const int stored = it == detailSpace.end() ? 0 : it->second;
    return std::clamp(stored, 1, 20);
}

WordProcessing::WordProcessing()
{
    try {
        WordProcessingMerger::getInstance().setCodePage("UTF-8");
    } catch (const std::exception&) {
        // UTF-8 is always known; nothing can fail here.
    }
}

WordProcessing::~WordProcessing() = default;

int WordProcessing::exportTopic(std::string& err)
{
    return run(Kind::Topic, err);
}
int WordProcessing::exportAnswer(std::string& err)
{
    return run(Kind::Answer, err);
}
int WordProcessing::exportReappear(std::string& err)
{
    return run(Kind::Reappear, err);
}

int WordProcessing::run(Kind kind, std::string& err)
{
    const std::string& templatePath = kind == Kind::Topic    ? topicTemplate
                                      : kind == Kind::Answer ? answerTemplate
                                                             : reappearTemplate;
    const std::string& outputPath = kind == Kind::Topic ? topicPath : kind == Kind::Answer ? answerPath : reappearPath;
    const bool empty = kind == Kind::Topic    ? topics.empty()
                       : kind == Kind::Answer ? answers.empty()
                                              : reappears.empty();
    if (templatePath.empty()) {
        err = "模板为空";
        return -1;
    }
    if (outputPath.empty()) {
        err = "保存路径为空";
        return -1;
    }
    if (empty) {
        err = "没有数据";
        return -1;
    }
    try {
        writeDocument(kind);
    } catch (const std::exception& e) {
        err = e.what();
        return -1;
    } catch (...) {
        err = "未知错误";
        return -1;
    }
    return 0;
}

void WordProcessing::writeDocument(Kind kind)
{
    WordProcessingMerger& m = WordProcessingMerger::getInstance();
    m.load(kind == Kind::Topic ? topicTemplate : kind == Kind::Answer ? answerTemplate : reappearTemplate);
    m.setClipboardValue("_header", "appName", appName);
    m.setClipboardValue("main", "title", title);
    m.setClipboardValue("main", "appName", appName);
    m.setClipboardValue("main", "grade", grade);
    m.setClipboardValue("main", "term", term);
    m.setClipboardValue("main", "subject", subject);
    if (kind == Kind::Reappear)
        m.setClipboardValue("main", "time", static_cast<double>(std::time(nullptr)) + kChinaOffsetSeconds);
    m.paste("main");

    int heading = 1;
    std::string previousType;
    const auto headingFor = [&](const std::string& type) {
        if (type == previousType)
            return;
        m.setClipboardValue("questiontype_item", "questiontype", getChineseNumber(heading) + type);
        m.paste("questiontype_item");
        ++heading;
        previousType = type;
    };
    const auto number = [&](int n) {
        m.setClipboardValue("number_item", "number", static_cast<double>(n));
        m.paste("number_item");
    };

    if (kind == Kind::Topic) {
        for (const _topic_t& t : topics) {
            headingFor(t.questiontype);
            number(t.number);
            m.setClipboardValue("pic_item", "CustomerPic", t.picture);
            m.paste("pic_item");
            for (int i = blankLines(detailSpace, t.questiontype); i > 0; --i)
                m.paste("linebreak_item");
        }
    } else {
        for (const _answer_t& a : kind == Kind::Answer ? answers : reappears) {
            headingFor(a.questiontype);
            number(a.number);
            m.setClipboardValue("attribute_item", "attribute", attributeLine(options, a));
            m.paste("attribute_item");
            if (kind == Kind::Answer) {
                m.setClipboardValue("content_item", "h1", a.content);
                m.paste("content_item");
            } else {
                m.setClipboardValue("pic_item", "CustomerPic", a.content);
                m.paste("pic_item");
            }
            m.paste("linebreak_item");
        }
    }
    m.save(kind == Kind::Topic ? topicPath : kind == Kind::Answer ? answerPath : reappearPath);
}
