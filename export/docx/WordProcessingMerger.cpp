#include "export/docx/WordProcessingMerger.h"

#include <stdexcept>

#include "export/docx/Dfw.h"

namespace {

void raiseOnError()
{
    if (dfw_getErrorFlag())
        throw std::runtime_error(dfw_getErrorWhat());
}

}  // namespace

WordProcessingMerger& WordProcessingMerger::getInstance()
{
    static WordProcessingMerger merger;
    return merger;
}

void WordProcessingMerger::setCodePage(const std::string& codePage)
{
    dfw_setCodePage(codePage.c_str());
    raiseOnError();
}

void WordProcessingMerger::load(const std::string& path)
{
    dfw_load(path.c_str());
    raiseOnError();
}

void WordProcessingMerger::setClipboardValue(const std::string& item, const std::string& field,
                                             const std::string& value)
{
    dfw_setClipboardValueByStr(item.c_str(), field.c_str(), value.c_str());
    raiseOnError();
}

void WordProcessingMerger::setClipboardValue(const std::string& item, const std::string& field, double value)
{
    dfw_setClipboardValueByDouble(item.c_str(), field.c_str(), value);
    raiseOnError();
}

void WordProcessingMerger::paste(const std::string& item)
{
    dfw_paste(item.c_str());
    raiseOnError();
}

void WordProcessingMerger::save(const std::string& path)
{
    dfw_save(path.c_str());
    raiseOnError();
}
