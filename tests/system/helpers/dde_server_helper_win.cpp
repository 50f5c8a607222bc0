// dde_server_helper: a DDE server answering like a web browser. It registers
// a service name (the browsers use "IExplore" and "firefox"), accepts
// conversations on the topic "WWW_GetWindowInfo" and answers a text request
// for the item "0xFFFFFFFF" (the last active window) with
// "\"<address>\",\"<title>\"" and its terminating character.
#include <windows.h>
// windows.h first: ddeml.h needs its types.
#include <ddeml.h>

#include <cstdio>

#include "helper_common.h"

namespace {
const char kUsage[] =
    "usage: dde_server_helper [--service NAME] [--address TEXT] [--page-title TEXT]\n"
    "                         [--reply TEXT] [--silent] [--lifetime SECONDS]\n"
    "Registers a DDE service that answers like a browser on the topic\n"
    "\"WWW_GetWindowInfo\", item \"0xFFFFFFFF\", format CF_TEXT, and prints\n"
    "\"ready pid=<id> service=<name>\"; then reads commands, one per line, on\n"
    "standard input and answers each with \"ok ...\" or \"error ...\".\n"
    "options:\n"
    "  --service NAME      the service name (default \"IExplore\")\n"
    "  --address TEXT      the address it shows (default \"http://www.example.com/\")\n"
    "  --page-title TEXT   the title of its page (default \"Example page\")\n"
    "  --reply TEXT        answer exactly TEXT instead of the quoted address and title\n"
    "  --silent            a server that hangs: it prints \"request\" at the first\n"
    "                      request and never answers it, nor anything else\n";
const char kCommandsHelp[] =
    "  address TEXT        show another address (the reply is the quoted pair again)\n"
    "  page-title TEXT     show another page title (the reply is the quoted pair again)\n"
    "  reply TEXT          answer exactly TEXT from now on\n"
    "  requests            answer \"ok requests N\": the requests answered so far\n"
    "  quit                end the program\n";

const char kTopic[] = "WWW_GetWindowInfo";
const char kItem[] = "0xFFFFFFFF";

// The server's state; the DDE callback runs on the main thread, inside its message loop.
struct CServer {
    DWORD instance = 0;
    HSZ service = nullptr;
    HSZ topic = nullptr;
    HSZ item = nullptr;
    std::string address;
    std::string pageTitle;
    std::string rawReply;
    bool raw = false;
    bool silent = false;  // hangs at the first request
    unsigned requests = 0;

    std::string Reply() const { return raw ? rawReply : "\"" + address + "\",\"" + pageTitle + "\""; }
} g_server;

// `second` is the service of a connection and the item of a request.
HDDEDATA CALLBACK OnTransaction(UINT type, UINT format, HCONV, HSZ topic, HSZ second, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    switch (type) {
        case XTYP_CONNECT:
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DdeCmpStringHandles(topic, g_server.topic) == 0));
        case XTYP_WILDCONNECT: {
            // A client that names no service or no topic: offer the one pair
            // this server has, when it fits what the client did name.
            if ((topic && DdeCmpStringHandles(topic, g_server.topic) != 0) ||
                (second && DdeCmpStringHandles(second, g_server.service) != 0)) {
                return nullptr;
            }
            HSZPAIR pairs[2] = {{g_server.service, g_server.topic}, {nullptr, nullptr}};
            return DdeCreateDataHandle(g_server.instance, reinterpret_cast<LPBYTE>(pairs), sizeof(pairs), 0, nullptr,
                                       CF_TEXT, 0);
        }
        case XTYP_REQUEST: {
            if (format != CF_TEXT || DdeCmpStringHandles(topic, g_server.topic) != 0 ||
                DdeCmpStringHandles(second, g_server.item) != 0) {
                return nullptr;
            }
            ++g_server.requests;
            if (g_server.silent) {
                helper::Reply("request");  // the test knows the client waits now
                Sleep(INFINITE);
            }
            // The terminating character is part of the data, as a browser sends it.
            const std::string reply = g_server.Reply();
            return DdeCreateDataHandle(g_server.instance, reinterpret_cast<LPBYTE>(const_cast<char*>(reply.c_str())),
                                       static_cast<DWORD>(reply.size() + 1), 0, second, CF_TEXT, 0);
        }
        default:
            return nullptr;
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::printf("%s%s\ncommands:\n%s", kUsage, helper::kLifetimeHelp, kCommandsHelp);
        return 0;
    }
    std::vector<helper::COption> options;
    std::string error;
    unsigned lifetime = 600;
    if (!helper::ParseOptions(argc, argv, {"--service", "--address", "--page-title", "--reply", "--lifetime"},
                              {"--silent"}, options, error) ||
        !helper::CountOption(options, "--lifetime", 600, lifetime, error)) {
        std::fprintf(stderr, "dde_server_helper: %s (see --help)\n", error.c_str());
        return 2;
    }
    const std::string serviceName = helper::OptionValue(options, "--service", "IExplore");
    g_server.address = helper::OptionValue(options, "--address", "http://www.example.com/");
    g_server.pageTitle = helper::OptionValue(options, "--page-title", "Example page");
    g_server.raw = helper::HasOption(options, "--reply");
    g_server.rawReply = helper::OptionValue(options, "--reply", "");
    g_server.silent = helper::HasOption(options, "--silent");

    const DWORD flags =
        APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES | CBF_FAIL_ADVISES | CBF_SKIP_ALLNOTIFICATIONS;
    if (DdeInitializeA(&g_server.instance, OnTransaction, flags, 0) != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "dde_server_helper: DdeInitializeA failed\n");
        return 1;
    }
    g_server.service = DdeCreateStringHandleA(g_server.instance, serviceName.c_str(), CP_WINANSI);
    g_server.topic = DdeCreateStringHandleA(g_server.instance, kTopic, CP_WINANSI);
    g_server.item = DdeCreateStringHandleA(g_server.instance, kItem, CP_WINANSI);
    int exitCode = 1;
    if (!g_server.service || !g_server.topic || !g_server.item ||
        !DdeNameService(g_server.instance, g_server.service, nullptr, DNS_REGISTER)) {
        std::fprintf(stderr, "dde_server_helper: the service could not be registered (DDE error 0x%X)\n",
                     DdeGetLastError(g_server.instance));
    } else {
        helper::Reply("ready pid=%lu service=%s", GetCurrentProcessId(), serviceName.c_str());
        exitCode = helper::RunCommandLoop(lifetime, [](const std::string& command, const std::string& argument) {
            if (command == "address" || command == "page-title") {
                (command == "address" ? g_server.address : g_server.pageTitle) = argument;
                g_server.raw = false;
                helper::Reply("ok %s", command.c_str());
            } else if (command == "reply") {
                g_server.rawReply = argument;
                g_server.raw = true;
                helper::Reply("ok reply");
            } else if (command == "requests") {
                helper::Reply("ok requests %u", g_server.requests);
            } else {
                helper::Reply("error %s unknown command", command.c_str());
            }
        });
        DdeNameService(g_server.instance, g_server.service, nullptr, DNS_UNREGISTER);
    }
    for (HSZ handle : {g_server.service, g_server.topic, g_server.item}) {
        if (handle) DdeFreeStringHandle(g_server.instance, handle);
    }
    DdeUninitialize(g_server.instance);
    return exitCode;
}
