#pragma once

#include <string>

// The exporter's side of the template merger: one object for the process
// (built on first use, destroyed at exit), each operation one dfw_ call. A
// call that fails raises std::runtime_error with the merger's error text.
class WordProcessingMerger {
public:
    static WordProcessingMerger& getInstance();

    void setCodePage(const std::string& codePage);
    void load(const std::string& path);
    void setClipboardValue(const std::string& item, const std::string& field, const std::string& value);
    void setClipboardValue(const std::string& item, const std::string& field, double value);
    void paste(const std::string& item);
    void save(const std::string& path);

private:
    WordProcessingMerger() = default;
    WordProcessingMerger(const WordProcessingMerger&) = delete;
    WordProcessingMerger& operator=(const WordProcessingMerger&) = delete;
};
