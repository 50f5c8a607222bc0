#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/password_prompt.h"

bool ReadSecretLine(const char* prompt, std::string& secret) {
    secret.clear();
    termios saved{};
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return false;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    // Echo goes off before the prompt shows, so nothing typed after it is echoed or lost.
    if (tcsetattr(STDIN_FILENO, TCSANOW, &quiet) != 0) return false;
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    bool ended = false;
    char c;
    ssize_t got;
    while ((got = read(STDIN_FILENO, &c, 1)) == 1) {
        if (c == '\n') {
            ended = true;
            break;
        }
        secret += c;
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    if (!secret.empty() && secret.back() == '\r') secret.pop_back();
    return ended || (got == 0 && !secret.empty());
}
