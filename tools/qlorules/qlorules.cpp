// qlorules: review and correct the recorded time. Run "qlorules serve" for
// the review page.
#include <cstdio>
#include <cstring>

#include "platform/console.h"
#include "qlorules/qlorules_serve.h"

int main(int argc, char** argv) {
    UseUtf8Console();
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0) return RunServe(argc - 2, argv + 2, stdout, stderr);
    std::fprintf(stderr, "usage: qlorules serve [--data DIR] [--port N] [--no-browser]\n");
    return 2;
}
