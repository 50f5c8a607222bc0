#include "control/pause_duration.h"

#include <cctype>

bool ParsePauseDuration(const std::string& text, int64_t& seconds, std::string& error) {
    static constexpr struct {
        char unit;
        int64_t seconds;
    } kUnits[] = {{'h', 3600}, {'m', 60}, {'s', 1}};
    const auto refuse = [&](const char* why) {
        // What was typed is said back cut short and with every byte that is
        // not printable ASCII as '?': no terminal escape, no half character.
        std::string shown = text.substr(0, 40);
        for (char& c : shown)
            if (!std::isprint(static_cast<unsigned char>(c))) c = '?';
        error = "bad pause length '" + shown + "': " + why;
        return false;
    };
    int64_t total = 0;
    size_t at = 0, nextUnit = 0;
    while (at < text.size()) {
        int64_t number = 0;
        const size_t digits = at;
        // More digits than a day's seconds need are refused before they can overflow.
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && at - digits < 6)
            number = number * 10 + (text[at++] - '0');
        if (at == digits) return refuse("a number must come first, as in 30m, 2h, 1h30m or 90s");
        if (at == text.size()) return refuse("each number needs its unit: h, m or s");
        const char unit = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at++])));
        size_t found = nextUnit;
        while (found < 3 && kUnits[found].unit != unit)
            ++found;
        if (found == 3) return refuse("units are h, m and s, each once and in that order");
        total += number * kUnits[found].seconds;
        nextUnit = found + 1;
    }
    if (text.empty()) return refuse("empty");
    if (total < 1 || total > kMaxPauseSeconds) return refuse("a pause lasts 1s to 24h");
    seconds = total;
    return true;
}

std::string PauseLengthText(int64_t seconds) {
    if (seconds < 60) return std::to_string(seconds < 0 ? 0 : seconds) + " s";
    const int64_t hours = seconds / 3600, minutes = seconds % 3600 / 60;
    if (hours == 0) return std::to_string(minutes) + " min";
    std::string text = std::to_string(hours) + " h";
    if (minutes) text.append(" ").append(std::to_string(minutes)).append(" min");
    return text;
}

std::string PauseRequestText(int64_t seconds) {
    if (seconds == 0) return "pause requested until the end of the day";
    return std::string("pause requested for ").append(PauseLengthText(seconds));
}
