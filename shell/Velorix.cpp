// Program entry: the desktop program, and the headless modes of the command line.
#include "platform/gui/QtPlatform.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/MainWindow.h"
#include "shell/Principal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace velorix;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM and SIGINT end the event loop between two handlers, never in the middle of one.
void quitOnSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    // A burst of signals must never block the handler: one pending byte is enough.
    ::fcntl(signalPipe[1], F_SETFL, ::fcntl(signalPipe[1], F_GETFL) | O_NONBLOCK);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(), [] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

void printTo(FILE* out, const QString& line) {
    std::fprintf(out, "%s\n", line.toUtf8().constData());
    std::fflush(out);
}

enum class Mode { Desktop, SyncOnce, PrintSummary, StoreOnce, Headless };

}  // namespace

int main(int argc, char* argv[]) {
    Mode mode = Mode::Desktop;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a == "--sync-once") mode = Mode::SyncOnce;
        else if (a == "--print-summary") mode = Mode::PrintSummary;
        else if (a == "--store-once") mode = Mode::StoreOnce;
        else if (a == "--headless") mode = Mode::Headless;
    }
    std::unique_ptr<QCoreApplication> app;
    if (mode == Mode::Desktop) app = std::make_unique<QApplication>(argc, argv);
    else app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName("Velorix");
    QCoreApplication::setApplicationVersion(VELORIX_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Velorix: sends the ERP's figures to the web panel.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"dir", "Read Banco.ini and app.ini from <dir> instead of the program's directory.", "dir"});
    parser.addOption({"sync-once", "Start up without a window, run one sync cycle and exit (0 when the summary upload was accepted)."});
    parser.addOption({"print-summary", "Build the summary document from the ERP database and print it."});
    parser.addOption({"store-once", "Run one store order watch and one stock push, and exit (0 when both ended without error)."});
    parser.addOption({"headless", "Run the scheduler without a window until SIGTERM or SIGINT."});
    parser.process(*app);

    const QString exe = QCoreApplication::applicationFilePath();
    FormOptions options;
    options.executablePath = exe;
    options.dir = parser.isSet("dir") ? QDir(parser.value("dir")).absolutePath() : QCoreApplication::applicationDirPath();
    QStringList restartArgs;
    if (parser.isSet("dir")) restartArgs << "--dir" << options.dir;

    if (mode == Mode::Desktop) {
        QApplication::setApplicationDisplayName("Velorix");
        QApplication::setQuitOnLastWindowClosed(false);
        auto tray = std::make_shared<gui::QtTray>();
        Platform platform = gui::desktopPlatform(exe, tray);
        platform.launcher = std::make_shared<linux_platform::SelfLauncher>(exe, restartArgs);
        tray->setToolTip("Velorix - Sincronizador");
        TForm1 form(platform, options);
        MainWindow window(form);
        tray->setMenu(window.pmMenu());
        QObject::connect(tray.get(), &gui::QtTray::doubleClicked, &form, [&form] { form.TrayIcon1DblClick(); });
        QObject::connect(&form, &TForm1::terminationRequestedSignal, app.get(), &QCoreApplication::quit,
                         Qt::QueuedConnection);
        // Installed before start-up, so a signal during it also ends the program cleanly.
        quitOnSignals();
        form.FormCreate();
        if (form.terminationRequested()) return 0;
        window.applyWindowState();
        return app->exec();
    }

    Platform platform = linux_platform::headlessPlatform(exe, restartArgs);
    TForm1 form(platform, options);
    FILE* logOut = mode == Mode::PrintSummary ? stderr : stdout;
    QObject::connect(&form, &TForm1::logLine, [logOut](const QString& line) { printTo(logOut, line); });
    if (mode == Mode::Headless) quitOnSignals();
    form.FormCreate();
    if (form.terminationRequested()) {
        printTo(stderr, "Velorix is already running.");
        return 1;
    }
    switch (mode) {
        case Mode::SyncOnce:
            form.guarded([&form] { form.cxBtn_syncClick(); });
            return form.lastUploadAccepted ? 0 : 1;
        case Mode::PrintSummary: {
            // A failed build writes its lines to stderr and gives the empty text.
            const QString documento = form.GerarJSON();
            if (documento.isEmpty()) return 1;
            printTo(stdout, documento);
            return 0;
        }
        case Mode::StoreOnce:
            // The store link as the scheduler runs it, whatever "Ativar Catalogo" says.
            if (!platform.connectivity->isOnline()) {
                printTo(stderr, "Offline: the store database was not contacted.");
                return 1;
            }
            try {
                form.Buscar_catalogo();
                printTo(stdout, QStringLiteral("Pending store orders: %1").arg(form.pedidosPendentes));
                if (form.pedidosPendentes > 0) printTo(stdout, form.labmensagem.Caption + form.Label10.Caption);
                form.enviarprodutos();
                printTo(stdout, QStringLiteral("Products pushed: %1").arg(form.produtosEnviados));
            } catch (const std::exception& e) {
                printTo(stderr, QString::fromUtf8(e.what()));
                return 1;
            }
            return 0;
        case Mode::Headless:
            if (!form.Timer1.isActive()) printTo(stderr, "Automatic sync is off (app.ini: ligado is not S); waiting for a signal.");
            QObject::connect(&form, &TForm1::terminationRequestedSignal, app.get(), &QCoreApplication::quit,
                             Qt::QueuedConnection);
            return app->exec();
        case Mode::Desktop:
            break;
    }
    return 0;
}
