#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

// Positional string formatter: "{N}" inserts argument N, "{N,W}" pads it to a
// field of W bytes (negative W aligns left), text after ':' is handed to the
// argument (which ignores it), "{{" writes one brace, an unclosed brace copies
// the rest of the pattern. Used for statement shapes and relative paths.

class ArgBase {
public:
    virtual ~ArgBase() = default;
    virtual void write(std::ostream& os, const std::string& spec) const = 0;
};

template <typename T>
class Arg;

template <>
class Arg<int> : public ArgBase {
public:
    explicit Arg(int v) : value_(v) {}
    void write(std::ostream& os, const std::string&) const override { os << value_; }

private:
    int value_;
};

template <>
class Arg<int64_t> : public ArgBase {
public:
    explicit Arg(int64_t v) : value_(v) {}
    void write(std::ostream& os, const std::string&) const override { os << value_; }

private:
    int64_t value_;
};

template <>
class Arg<std::string> : public ArgBase {
public:
    explicit Arg(std::string v) : value_(std::move(v)) {}
    void write(std::ostream& os, const std::string&) const override { os << value_; }

private:
    std::string value_;
};

template <>
class Arg<const char*> : public ArgBase {
public:
    explicit Arg(const char* v) : value_(v) {}
    void write(std::ostream& os, const std::string&) const override
    {
        // A null text writes nothing (padding still applies).
        os << (value_ ? value_ : "");
    }

private:
    const char* value_;
};

using ArgList = std::vector<std::unique_ptr<ArgBase>>;

namespace format_detail {

inline std::unique_ptr<ArgBase> makeArg(int v)
{
    return std::make_unique<Arg<int>>(v);
}
inline std::unique_ptr<ArgBase> makeArg(long v)
{
    return std::make_unique<Arg<int64_t>>(v);
}
inline std::unique_ptr<ArgBase> makeArg(long long v)
{
    return std::make_unique<Arg<int64_t>>(v);
}
inline std::unique_ptr<ArgBase> makeArg(unsigned v)
{
    return std::make_unique<Arg<int64_t>>(v);
}
inline std::unique_ptr<ArgBase> makeArg(unsigned long v)
{
    return std::make_unique<Arg<int64_t>>(static_cast<int64_t>(v));
}
inline std::unique_ptr<ArgBase> makeArg(unsigned long long v)
{
    return std::make_unique<Arg<int64_t>>(static_cast<int64_t>(v));
}
inline std::unique_ptr<ArgBase> makeArg(const std::string& v)
{
    return std::make_unique<Arg<std::string>>(v);
}
inline std::unique_ptr<ArgBase> makeArg(const char* v)
{
    return std::make_unique<Arg<const char*>>(v);
}

std::string formatList(const std::string& pattern, const ArgList& args);
void writePlaceholder(std::ostream& os, const std::string& placeholder, const ArgList& args);

}  // namespace format_detail

template <typename... Args>
std::string format(const std::string& pattern, const Args&... args)
{
    ArgList list;
    list.reserve(sizeof...(Args));
    (list.push_back(format_detail::makeArg(args)), ...);
    return format_detail::formatList(pattern, list);
}
