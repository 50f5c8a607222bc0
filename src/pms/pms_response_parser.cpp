#include "pms/pms_response_parser.h"

#include <fstream>
#include <iterator>
#include <new>
#include <nlohmann/json.hpp>
#include <string>

int CPMSResponseParser::LoadFile(const char* path, CAutoJsonPtr& document) {
    if (!path || !*path) return -1;
    try {
        std::ifstream file(path, std::ios::binary);
        if (!file) return -1;
        const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (file.bad()) return -1;
        nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
        if (parsed.is_discarded()) return -1;
        return document.Attach(new nlohmann::json(std::move(parsed)), true);
    } catch (const std::bad_alloc&) {
        return -4;
    } catch (...) {
        return -1;
    }
}
