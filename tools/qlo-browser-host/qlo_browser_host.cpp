// qlo-browser-host: the native messaging host of the browser extension. The
// browser starts it and writes the extension's messages to its standard
// input; it passes what the focused window shows on to the collector of the
// same user through the local channel (see platform/local_channel.h), with
// the id of the browser process, and drops the rest. It ends when the
// browser closes its input.
//
// Whatever arrives, memory stays bounded: a message longer than 64 KiB is
// read past, malformed JSON is skipped, private windows are never passed on;
// each skipped message is named on standard error (the browser's log). With
// no collector running nothing is kept: the host tries again every two
// seconds and, when a collector appears, asks the extension ({"resend":
// true} on standard output) to tell the current state again.
//
// Its arguments are the browsers' (the extension's origin, the manifest's
// path, the parent window) and are not checked; --help and --version answer.
// Started from a terminal (standard input is one) it says what it is and
// exits with code 2: there is nothing for a person to type to it.
//
// Exit code 0 at the end of the input.
#include <cstdio>

#include "browser_message.h"
#include "cli/command_line.h"
#include "collector_link.h"
#include "host_platform.h"
#include "native_messaging.h"
#include "platform/console.h"
#include "sensing/browser_report.h"

namespace {
const CProgramSpec kCommandLine = {
    "qlo-browser-host",
    "The native messaging host of Orvanta's browser extension: it passes the addresses of\n"
    "the pages in front to the collector. Firefox and Chromium-based browsers start it with\n"
    "pipes, once \"qloctl install-browser-host\" has written their manifests.",
    {},
    {},
    "Exit status: 0 at the end of the browser's input, 2 started from a terminal.\n"};

constexpr uint32_t kMaxMessage = 64 * 1024;
constexpr uint32_t kRetryMs = 2000;

size_t ReadInput(char* buffer, size_t size) { return std::fread(buffer, 1, size, stdin); }
}  // namespace

int main(int argc, char** argv) {
    CCommandLine line;
    std::string error;
    ParseCommandLine(kCommandLine, argc, argv, line, error);  // only --help and --version count
    if (line.ask != ECommandLineAsk::Run) return AnswerCommandLine(kCommandLine, true, line, error, stdout, stderr);
    if (StandardInputIsTerminal()) {
        std::fprintf(stderr,
                     "qlo-browser-host: the browser extension's native messaging host, started by Firefox or a "
                     "Chromium-based browser (see qloctl install-browser-host), not from a terminal\n");
        return 2;
    }
    PrepareStandardStreams();
    const uint32_t browser = BrowserProcessId(argc, argv);
    CCollectorLink collector(
        BrowserChannelName(), [] { WriteNativeMessage(stdout, "{\"resend\":true}"); }, kRetryMs);

    CNativeMessageReader reader(ReadInput, kMaxMessage);
    std::string json;
    CBrowserMessage message;
    std::string why;
    char encoded[CBrowserReport::kMaxEncodedSize];
    for (;;) {
        uint32_t length = 0;
        const CNativeMessageReader::EResult result = reader.Next(json, length);
        if (result == CNativeMessageReader::EResult::End) break;
        if (result == CNativeMessageReader::EResult::TooLong) {
            std::fprintf(stderr, "qlo-browser-host: skipped a message of %u bytes\n", length);
            continue;
        }
        const int parsed = ParseBrowserMessage(json, message, why);
        if (parsed < 0) std::fprintf(stderr, "qlo-browser-host: skipped a message: %s\n", why.c_str());
        if (parsed != 1) continue;

        CBrowserReport report;
        report.kind = message.closed ? CBrowserReport::kClosed : CBrowserReport::kShown;
        report.processId = browser;
        report.windowId = message.windowId;
        report.url = message.url;
        report.title = message.title;
        const size_t size = EncodeBrowserReport(report, encoded);
        if (size > 0) collector.Send(encoded, static_cast<uint32_t>(size));
    }
    return 0;
}
