#include "export/docx/Dfw.h"

#include <QString>

#include <exception>
#include <string>

#include "export/docx/TemplateMerger.h"

namespace {

struct State {
    docx::TemplateMerger merger;
    bool failed = false;
    std::string what;
};

State& state()
{
    static State s;
    return s;
}

std::string text(const char* s)
{
    return s ? std::string(s) : std::string();
}

// Runs one call: clears the flag, runs op, and records a failure; nothing
// escapes.
template <typename Op>
void run(Op op)
{
    State& s = state();
    s.failed = false;
    s.what.clear();
    std::string err;
    bool ok = false;
    try {
        ok = op(s.merger, err);
    } catch (const std::exception& e) {
        err = e.what();
    } catch (...) {
        err = "未知错误";
    }
    if (!ok) {
        s.failed = true;
        s.what = err.empty() ? std::string("未知错误") : err;
    }
}

}  // namespace

void dfw_setCodePage(const char* codePage)
{
    run([&](docx::TemplateMerger& m, std::string& err) { return m.setCodePage(text(codePage), err); });
}

void dfw_load(const char* path)
{
    run([&](docx::TemplateMerger& m, std::string& err) {
        return m.load(QString::fromLocal8Bit(path ? path : ""), err);
    });
}

void dfw_setClipboardValueByStr(const char* item, const char* field, const char* value)
{
    run([&](docx::TemplateMerger& m, std::string& err) {
        return m.setText(text(item), text(field), text(value), err);
    });
}

void dfw_setClipboardValueByDouble(const char* item, const char* field, double value)
{
    run([&](docx::TemplateMerger& m, std::string& err) { return m.setNumber(text(item), text(field), value, err); });
}

void dfw_paste(const char* item)
{
    run([&](docx::TemplateMerger& m, std::string& err) { return m.paste(text(item), err); });
}

void dfw_save(const char* path)
{
    run([&](docx::TemplateMerger& m, std::string& err) {
        return m.save(QString::fromLocal8Bit(path ? path : ""), err);
    });
}

bool dfw_getErrorFlag()
{
    return state().failed;
}

const char* dfw_getErrorWhat()
{
    return state().what.c_str();
}
