#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rl {

// Name=value variables of a page or a store, kept as the "name=value" texts
// that are serialized. Names match without regard to (ASCII) case.
class VariableList {
public:
    // Empty when absent.
    std::string value(std::string_view name) const;
    bool contains(std::string_view name) const;
    // Replaces the value, appends the entry when absent, removes it when the value is empty.
    void setValue(std::string_view name, std::string_view value);

    // Numbers: four decimals with "." (215.9 -> "215.9000"), integers plain.
    double numberValue(std::string_view name, double defaultValue) const;
    std::int32_t integerValue(std::string_view name, std::int32_t defaultValue) const;
    void setNumber(std::string_view name, double value);
    void setInteger(std::string_view name, std::int32_t value);

    const std::vector<std::string>& entries() const { return entries_; }
    void append(std::string entry) { entries_.push_back(std::move(entry)); }
    void clear() { entries_.clear(); }
    bool empty() const { return entries_.empty(); }
    friend bool operator==(const VariableList&, const VariableList&) = default;

private:
    std::vector<std::string>::const_iterator find(std::string_view name) const;
    std::vector<std::string> entries_;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace rl
