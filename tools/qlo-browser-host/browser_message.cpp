#include "browser_message.h"

#include <nlohmann/json.hpp>

#include "sensing/browser_report.h"

namespace {
// `text` cut to at most `maxBytes` without splitting a UTF-8 sequence.
std::string CutUtf8(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// The member `name` as text: true when it is absent (`text` stays empty) or a string.
bool OptionalText(const nlohmann::json& object, const char* name, std::string& text) {
    const auto member = object.find(name);
    if (member == object.end()) return true;
    if (!member->is_string()) return false;
    text = member->get<std::string>();
    return true;
}
}  // namespace

int ParseBrowserMessage(const std::string& json, CBrowserMessage& message, std::string& why) {
    const nlohmann::json object = nlohmann::json::parse(json, nullptr, false);
    if (!object.is_object()) {
        why = "not a JSON object";
        return -1;
    }
    const auto incognito = object.find("incognito");
    if (incognito != object.end() && *incognito != false) return 0;
    const auto window = object.find("window");
    if (window == object.end() || !window->is_number_integer()) {
        why = "no integer \"window\"";
        return -1;
    }
    message = CBrowserMessage();
    message.windowId =
        window->is_number_unsigned() ? static_cast<int64_t>(window->get<uint64_t>()) : window->get<int64_t>();
    const auto closed = object.find("closed");
    message.closed = closed != object.end() && *closed == true;
    if (message.closed) return 1;
    std::string url, title;
    if (object.find("url") == object.end() || !OptionalText(object, "url", url) ||
        !OptionalText(object, "title", title)) {
        why = "no text \"url\", or a \"title\" that is not text";
        return -1;
    }
    message.url = CutUtf8(url, CBrowserReport::kMaxUrl);
    message.title = CutUtf8(title, CBrowserReport::kMaxTitle);
    return 1;
}
