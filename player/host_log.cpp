#include "host_log.h"

#include "utf8_file.h"

#include <cstdio>

namespace {

// `utf8`: the value is the player's own UTF-8 (a name), whose letters stand as they
// are; else it is the plug-in's ANSI text.
void appendQuoted(std::string& out, const char* value, bool utf8 = false)
{
    out += '"';
    for (const char* p = value; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            // Bytes above 0x7F are ANSI in an unknown code page; escaping them
            // byte by byte keeps the log valid UTF-8 at the cost of the glyph.
            if (c < 0x20 || (c >= 0x80 && !utf8)) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

} // namespace

JsonLine::JsonLine(const char* event)
{
    text("event", event);
}

JsonLine JsonLine::nested()
{
    return JsonLine();
}

void JsonLine::beginField(const char* key)
{
    if (body_.size() > 1) {
        body_ += ',';
    }
    appendQuoted(body_, key);
    body_ += ':';
}

JsonLine& JsonLine::text(const char* key, const char* value)
{
    if (value == nullptr) {
        return null(key);
    }
    beginField(key);
    appendQuoted(body_, value);
    return *this;
}

JsonLine& JsonLine::text(const char* key, const std::string& value)
{
    return text(key, value.c_str());
}

JsonLine& JsonLine::name(const char* key, const std::string& value)
{
    beginField(key);
    appendQuoted(body_, value.c_str(), true);
    return *this;
}

JsonLine& JsonLine::flag(const char* key, bool value)
{
    beginField(key);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::null(const char* key)
{
    beginField(key);
    body_ += "null";
    return *this;
}

JsonLine& JsonLine::object(const char* key, const JsonLine& value)
{
    beginField(key);
    body_ += value.str();
    return *this;
}

JsonLine& JsonLine::decimal(const char* key, double value, int places)
{
    if (!(value == value) || value > 1e300 || value < -1e300) {
        return null(key);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    beginField(key);
    body_ += text;
    return *this;
}

HostLog::~HostLog()
{
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool HostLog::open(const std::string& path)
{
    file_ = openFileUtf8(path, "w");
    return file_ != nullptr;
}

void HostLog::write(const JsonLine& line)
{
    if (file_ == nullptr) {
        return;
    }
    const std::string text = line.str() + "\n";
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}
