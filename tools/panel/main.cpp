// velorix-panel: a local stand-in for the web panel, for development and demos.

#include "tools/panel/PanelServer.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <string>

namespace {

const char *const kUsage =
    "usage: velorix-panel [options]\n"
    "  --port N              listen on 127.0.0.1:N (default 8443, 0 = any free port)\n"
    "  --http                plain HTTP instead of HTTPS\n"
    "  --cert FILE --key FILE  serve this PEM certificate and key\n"
    "  --cert-out FILE       where the generated certificate goes (default ./panel-cert.pem)\n"
    "  --store DIR           keep every request there (default ./panel-requests)\n"
    "  --answer PATH=STATUS[:BODY]\n"
    "                        answer PATH (exact) with STATUS and BODY; for 301, 302, 303, 307\n"
    "                        and 308 BODY is the Location; STATUS \"hang\" never answers\n";

struct ParsedAnswer {
    std::string path;
    velorix::panel::Answer answer;
};

std::optional<ParsedAnswer> parseAnswer(const std::string &text) {
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return std::nullopt;
    ParsedAnswer parsed;
    parsed.path = text.substr(0, eq);
    const std::string rest = text.substr(eq + 1);
    const auto colon = rest.find(':');
    const std::string status = rest.substr(0, colon);
    const std::string body = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    if (status == "hang") {
        parsed.answer.neverAnswer = true;
        return parsed;
    }
    if (status.size() != 3 || status.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    parsed.answer.status = std::stoi(status);
    const int s = parsed.answer.status;
    if (s == 301 || s == 302 || s == 303 || s == 307 || s == 308)
        parsed.answer.location = body;
    else
        parsed.answer.body = body;
    return parsed;
}

} // namespace

int main(int argc, char **argv) {
    velorix::panel::PanelOptions options;
    options.port = 8443;
    options.storeDir = "panel-requests";
    std::vector<ParsedAnswer> answers;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "velorix-panel: " << arg << " needs a value\n" << kUsage;
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--port") {
            const std::string v = value();
            char *end = nullptr;
            const long port = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || port < 0 || port > 65535) {
                std::cerr << "velorix-panel: bad port " << v << '\n';
                return 2;
            }
            options.port = static_cast<int>(port);
        } else if (arg == "--http") {
            options.https = false;
        } else if (arg == "--cert") {
            options.certFile = value();
        } else if (arg == "--key") {
            options.keyFile = value();
        } else if (arg == "--cert-out") {
            options.certOut = value();
        } else if (arg == "--store") {
            options.storeDir = value();
        } else if (arg == "--answer") {
            const std::string text = value();
            auto parsed = parseAnswer(text);
            if (!parsed) {
                std::cerr << "velorix-panel: bad --answer " << text << '\n' << kUsage;
                return 2;
            }
            answers.push_back(std::move(*parsed));
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else {
            std::cerr << "velorix-panel: unknown option " << arg << '\n' << kUsage;
            return 2;
        }
    }
    if (options.https && options.certFile.empty() && options.certOut.empty())
        options.certOut = "panel-cert.pem";

    options.onRequest = [](const velorix::panel::RecordedRequest &r) {
        std::string line = r.method + " " + r.path + (r.query.empty() ? "" : "?" + r.query) + " (" +
                           std::to_string(r.body.size()) + " bytes)\n";
        std::cout << line << std::flush;
    };

    // Block the stop signals before any thread starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    velorix::panel::PanelServer server(options);
    for (auto &a : answers) server.setAnswer(a.path, std::move(a.answer));
    try {
        server.start();
    } catch (const std::exception &e) {
        std::cerr << "velorix-panel: " << e.what() << '\n';
        return 1;
    }

    std::cout << "velorix-panel listening on " << server.baseUrl() << std::endl;
    if (options.https && options.certFile.empty())
        std::cout << "certificate (trust it as a CA file): " << options.certOut << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    std::cout << "velorix-panel stopped" << std::endl;
    return 0;
}
