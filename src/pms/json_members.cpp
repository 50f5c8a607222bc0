#include "pms/json_members.h"

#include <climits>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "platform/text.h"

namespace {
const nlohmann::json* Member(const nlohmann::json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

template <typename T>
int Clamp(T value) {
    if (value < static_cast<T>(INT_MIN)) return INT_MIN;
    if (value > static_cast<T>(INT_MAX)) return INT_MAX;
    return static_cast<int>(value);
}
}  // namespace

const nlohmann::json* ObjectMember(const nlohmann::json& object, const char* name) {
    const nlohmann::json* member = Member(object, name);
    return member && member->is_object() ? member : nullptr;
}

const nlohmann::json* ArrayMember(const nlohmann::json& object, const char* name) {
    const nlohmann::json* member = Member(object, name);
    return member && member->is_array() ? member : nullptr;
}

const char* TextMember(const nlohmann::json& object, const char* name) {
    const nlohmann::json* member = Member(object, name);
    const std::string* text = member ? member->get_ptr<const std::string*>() : nullptr;
    return text ? text->c_str() : nullptr;
}

int NumberMember(const nlohmann::json& object, const char* name) {
    const nlohmann::json* member = Member(object, name);
    if (!member) return 0;
    if (const auto* whole = member->get_ptr<const nlohmann::json::number_integer_t*>()) return Clamp(*whole);
    if (const auto* positive = member->get_ptr<const nlohmann::json::number_unsigned_t*>()) {
        return *positive > static_cast<nlohmann::json::number_unsigned_t>(INT_MAX) ? INT_MAX
                                                                                   : static_cast<int>(*positive);
    }
    if (const auto* real = member->get_ptr<const nlohmann::json::number_float_t*>()) return Clamp(*real);
    return 0;
}

int TextNumberMember(const nlohmann::json& object, const char* name) {
    const char* text = TextMember(object, name);
    if (!text) return 0;
    // strtoll saturates where atoi's result would be undefined.
    return Clamp(std::strtoll(text, nullptr, 10));
}

void NarrowTextMember(const nlohmann::json& object, const char* name, char* out, size_t outSize) {
    out[0] = '\0';
    const char* text = TextMember(object, name);
    if (!text || !*text) return;
    if (Utf8ToAnsi(text, out, static_cast<int>(outSize)) == 0) CopyTextCut(out, text, outSize - 1);
}
