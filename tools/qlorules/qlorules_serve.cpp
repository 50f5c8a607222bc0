#include "qlorules/qlorules_serve.h"

#include <cstdlib>
#include <string>

#include "core/database_folder.h"
#include "platform/console.h"
#include "platform/open_browser.h"
#include "qlorules/page_api.h"
#include "qlorules/page_server.h"

int RunServe(int argc, const char* const* argv, FILE* out, FILE* err) {
    std::string named;
    int port = 0;
    bool browser = true;
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--no-browser") {
            browser = false;
        } else if ((option == "--data" || option == "--port") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (option == "--data") {
                named = value;
                continue;
            }
            char* end = nullptr;
            const long number = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || number < 1 || number > 65535) {
                std::fprintf(err, "qlorules: --port: not a port number from 1 to 65535: %s\n", value.c_str());
                return 2;
            }
            port = static_cast<int>(number);
        } else {
            std::fprintf(err, "qlorules: serve: unknown or incomplete option: %s\n", option.c_str());
            return 2;
        }
    }
    std::string folder, error;
    if (ToolDatabaseFolder(named, folder, error) != 1) {
        std::fprintf(err, "qlorules: %s\n", error.c_str());
        return 1;
    }
    CPageApi api(folder);
    if (api.Open(error) != 1) {
        std::fprintf(err, "qlorules: %s\n", error.c_str());
        return 1;
    }
    WatchStopRequests();
    CPageServer server(api);
    if (server.Start(port, error) != 1) {
        std::fprintf(err, "qlorules: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(out, "qlorules: the review page is at %s\n", server.Address().c_str());
    std::fflush(out);
    if (browser && OpenInBrowser(server.Address()) != 1)
        std::fprintf(err, "qlorules: no browser could be opened: open the address above\n");
    while (!WaitForStopRequest(60000)) {
    }
    server.Stop();
    return 0;
}
