#include "pagestore/variable_list.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace rl {

namespace {
char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string_view nameOf(const std::string& entry) {
    const auto eq = entry.find('=');
    return std::string_view(entry).substr(0, eq == std::string::npos ? entry.size() : eq);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}
} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (a == b) return true; // the usual case, a face name looked up again
    return std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::vector<std::string>::const_iterator VariableList::find(std::string_view name) const {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const std::string& e) { return equalsIgnoringCase(nameOf(e), name); });
}

bool VariableList::contains(std::string_view name) const {
    return find(name) != entries_.end();
}

std::string VariableList::value(std::string_view name) const {
    const auto it = find(name);
    if (it == entries_.end()) return {};
    const auto eq = it->find('=');
    return eq == std::string::npos ? std::string() : it->substr(eq + 1);
}

void VariableList::setValue(std::string_view name, std::string_view value) {
    const auto it = entries_.begin() + (find(name) - entries_.cbegin());
    if (value.empty()) {
        if (it != entries_.end()) entries_.erase(it);
        return;
    }
    std::string entry;
    entry.reserve(name.size() + 1 + value.size());
    entry.append(name).append("=").append(value);
    if (it != entries_.end())
        *it = std::move(entry);
    else
        entries_.push_back(std::move(entry));
}

double VariableList::numberValue(std::string_view name, double defaultValue) const {
    const std::string text = value(name);
    const std::string_view t = trimmed(text);
    double result = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), result);
    if (ec != std::errc() || end != t.data() + t.size() || t.empty()) return defaultValue;
    return result;
}

std::int32_t VariableList::integerValue(std::string_view name, std::int32_t defaultValue) const {
    const std::string text = value(name);
    std::string_view t = trimmed(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    std::int32_t result = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), result);
    if (ec != std::errc() || end != t.data() + t.size() || t.empty()) return defaultValue;
    return result;
}

void VariableList::setNumber(std::string_view name, double value) {
    // Always "." and four decimals, whatever the user's locale says.
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    setValue(name,
             ec == std::errc() ? std::string_view(buffer, size_t(end - buffer)) : std::string_view("0.0000"));
}

void VariableList::setInteger(std::string_view name, std::int32_t value) {
    setValue(name, std::to_string(value));
}

} // namespace rl
