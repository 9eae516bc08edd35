#include "tools/grpconv/setup_ini.h"

namespace {

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Splits at commas outside double quotes; each field trimmed, its quotes kept.
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            fields.push_back(Trim(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(Trim(field));
    return fields;
}

bool IsQuoted(const std::string& field)
{
    return field.size() >= 2 && field.front() == '"' && field.back() == '"';
}

std::string Unquote(const std::string& field)
{
    return IsQuoted(field) ? field.substr(1, field.size() - 2) : field;
}

}  // namespace

GroupLine ParseGroupLine(const std::string& line)
{
    GroupLine group = {false, "", ""};
    size_t equals = line.find('=');
    if (equals == std::string::npos)
        return group;
    group.section = Trim(line.substr(0, equals));
    group.title = Unquote(Trim(line.substr(equals + 1)));
    group.valid = !group.section.empty() && IsPlainName(group.title);
    return group;
}

ItemLine ParseItemLine(const std::string& line)
{
    ItemLine item = {ITEM_IGNORED, "", ""};
    std::string text = Trim(line);
    if (!text.empty() && text.back() == '=')
        text = Trim(text.substr(0, text.size() - 1));
    std::vector<std::string> fields = Fields(text);
    if (!IsQuoted(fields[0]))
        return item;
    item.title = Unquote(fields[0]);
    if (!IsPlainName(item.title))
        return item;
    if (fields.size() == 1) {
        item.action = ITEM_REMOVE;
        return item;
    }
    item.command = Unquote(fields[1]);
    if (!item.command.empty())
        item.action = ITEM_ADD;
    return item;
}

std::vector<std::string> SectionLines(const char* buffer, size_t length)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < length && buffer[start] != '\0') {
        size_t end = start;
        while (end < length && buffer[end] != '\0')
            ++end;
        lines.emplace_back(buffer + start, end - start);
        start = end + 1;
    }
    return lines;
}

bool IsPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}
