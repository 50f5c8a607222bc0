#include "qlorules/qlorules_serve.h"

#include "platform/console.h"
#include "platform/open_browser.h"
#include "qlorules/page_api.h"
#include "qlorules/page_server.h"

int ServePage(const std::string& folder, int port, bool openBrowser, FILE* out, FILE* err) {
    CPageApi api(folder);
    std::string error;
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
    if (openBrowser && OpenInBrowser(server.Address()) != 1)
        std::fprintf(err, "qlorules: no browser could be opened: open the address above\n");
    while (!WaitForStopRequest(60000)) {
    }
    server.Stop();
    return 0;
}
