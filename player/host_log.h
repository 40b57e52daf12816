#pragma once
// The record of what a host can observe of a plug-in: one JSON object a line,
// each with an "event" name, flushed as it is written so that a crash inside the
// plug-in still leaves everything before it on disk.

#include <concepts>
#include <cstdio>
#include <string>

class JsonLine {
public:
    explicit JsonLine(const char* event);

    JsonLine& text(const char* key, const char* value); // null pointer: JSON null
    JsonLine& text(const char* key, const std::string& value);
    // A file name or other UTF-8 text of the player's, letters kept as they are.
    JsonLine& name(const char* key, const std::string& value);
    JsonLine& flag(const char* key, bool value);
    JsonLine& null(const char* key);
    JsonLine& object(const char* key, const JsonLine& value);
    JsonLine& decimal(const char* key, double value, int places);

    template <std::integral T>
    JsonLine& number(const char* key, T value)
    {
        beginField(key);
        body_ += std::to_string(value);
        return *this;
    }

    // Without the "event" member: for objects nested with object().
    static JsonLine nested();

    std::string str() const { return body_ + "}"; }

private:
    JsonLine() = default;
    void beginField(const char* key);

    std::string body_ = "{";
};

class HostLog {
public:
    HostLog() = default;
    HostLog(const HostLog&) = delete;
    HostLog& operator=(const HostLog&) = delete;
    ~HostLog();

    // Without a successful open every write is dropped: the log is optional.
    bool open(const std::string& path);
    void write(const JsonLine& line);

private:
    std::FILE* file_ = nullptr;
};
