// Program entry: the desktop program, and the headless modes of the command line.
#include "platform/gui/QtPlatform.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/MainWindow.h"
#include "shell/Principal.h"
#include "shell/SettingsDir.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace velorix;

namespace {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

// SIGTERM and SIGINT are blocked in every thread, from before the first thread starts: a signal
// handled on one of the Firebird engine's threads breaks its waits, and the engine then spins
// forever when the connection is closed. They are read from a signalfd on the main thread.
void blockStopSignals() {
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// SIGTERM and SIGINT end the event loop between two handlers, never in the middle of one.
void quitOnSignals() {
    const sigset_t set = stopSignals();
    const int fd = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(), [fd] {
        signalfd_siginfo info;
        [[maybe_unused]] auto n = ::read(fd, &info, sizeof info);
        QCoreApplication::quit();
    });
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
    // The modes that run an event loop quit on SIGTERM/SIGINT through it; the one-shot modes keep
    // the default (the process ends at once).
    if (mode == Mode::Desktop || mode == Mode::Headless) blockStopSignals();
    std::unique_ptr<QCoreApplication> app;
    if (mode == Mode::Desktop) app = std::make_unique<QApplication>(argc, argv);
    else app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName("Velorix");
    QCoreApplication::setApplicationVersion(VELORIX_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Velorix: sends the ERP's figures to the web panel.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"dir", "Read Banco.ini and app.ini from <dir> instead of the program's directory (or ~/.config/velorix when the program cannot write its own directory).", "dir"});
    parser.addOption({"sync-once", "Start up without a window, run one sync cycle and exit (0 when the summary upload was accepted)."});
    parser.addOption({"print-summary", "Build the summary document from the ERP database and print it."});
    parser.addOption({"store-once", "Run one store order watch and one stock push, and exit (0 when both ended without error)."});
    parser.addOption({"headless", "Run the scheduler without a window until SIGTERM or SIGINT."});
    parser.addOption({"full-history", "With --sync-once: tick \"Enviar Completo\" (detail uploads over the whole history)."});
    parser.addOption({"trace-countdown", "With --headless: print the countdown text to stderr whenever it changes (for benchmarks)."});
    parser.process(*app);

    const QString exe = QCoreApplication::applicationFilePath();
    FormOptions options;
    options.executablePath = exe;
    if (parser.isSet("dir")) {
        options.dir = QDir(parser.value("dir")).absolutePath();
    } else {
        const QString programDir = QCoreApplication::applicationDirPath();
        options.dir = chooseSettingsDir(programDir, QFileInfo(programDir).isWritable(), userSettingsDir());
        QDir().mkpath(options.dir);
    }
    QStringList restartArgs;
    if (parser.isSet("dir")) restartArgs << "--dir" << options.dir;

    if (mode == Mode::Desktop) {
        QApplication::setApplicationDisplayName("Velorix");
        QApplication::setQuitOnLastWindowClosed(false);
        QIcon icon;
        for (int size : {32, 48, 64, 128, 256}) icon.addFile(QString(":/icons/velorix-%1.png").arg(size));
        QApplication::setWindowIcon(QIcon::fromTheme("velorix", icon));
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
    if (mode == Mode::Headless && parser.isSet("trace-countdown")) {
        QObject::connect(&form, &TForm1::stateChanged, [&form, shown = QString()]() mutable {
            if (form.lbcontagem.Caption == shown) return;
            shown = form.lbcontagem.Caption;
            printTo(stderr, shown);
        });
    }
    form.FormCreate();
    if (form.terminationRequested()) {
        printTo(stderr, "Velorix is already running.");
        return 1;
    }
    switch (mode) {
        case Mode::SyncOnce:
            if (parser.isSet("full-history")) form.chkPeriodo.Checked = true;
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
