// The built program without a window: stops cleanly on a signal, and a second copy does not start.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

namespace {

// Generous limits: they only keep a broken build from hanging the test run.
constexpr int kWaitMs = 60000;

struct Headless {
    QTemporaryDir settings, runtime, config;
    QByteArray ini = "[config]\r\nligado=S\r\ntempo=10\r\nemail=loja@exemplo.com\r\n";

    Headless() {
        QFile f(settings.filePath("app.ini"));
        if (f.open(QIODevice::WriteOnly)) f.write(ini);
    }

    QByteArray iniNow() const {
        QFile f(settings.filePath("app.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The single-instance lock and the autostart folder of this test only.
    void prepare(QProcess& p, const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        p.setProcessEnvironment(env);
        p.setProgram(VELORIX_EXE);
        p.setArguments(args + QStringList{"--dir", settings.path()});
    }

    // Starts `velorix --headless` and waits until its start-up has passed the database step.
    void startHeadless(QProcess& p) const {
        prepare(p, {"--headless"});
        p.start();
        ASSERT_TRUE(p.waitForStarted(kWaitMs));
        QByteArray out;
        const QDeadlineTimer deadline(kWaitMs);
        while (!out.contains("Falha ao conectar Banco Local") && p.state() == QProcess::Running && !deadline.hasExpired()) {
            p.waitForReadyRead(200);
            out += p.readAllStandardOutput();
        }
        ASSERT_TRUE(out.contains("Falha ao conectar Banco Local"))
            << out.toStdString() << p.readAllStandardError().toStdString();
    }
};

TEST(HeadlessProcess, StopsWithExitCodeZeroOnSigtermOrSigintWithoutTouchingTheSettings) {
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        Headless h;
        QProcess p;
        h.startHeadless(p);
        ASSERT_EQ(p.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(p.processId()), sig);
        ASSERT_TRUE(p.waitForFinished(kWaitMs));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        EXPECT_EQ(h.iniNow(), h.ini);
    }
}

TEST(HeadlessProcess, ASecondCopyEndsAtOnceAndTheFirstRunsOn) {
    Headless h;
    QProcess first;
    h.startHeadless(first);

    QProcess second;
    h.prepare(second, {"--sync-once"});
    second.start();
    ASSERT_TRUE(second.waitForFinished(kWaitMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("already running"));

    EXPECT_EQ(first.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(kWaitMs));
    EXPECT_EQ(first.exitCode(), 0);

    // with the first one gone, the lock is free again
    QProcess third;
    h.prepare(third, {"--sync-once"});
    third.start();
    ASSERT_TRUE(third.waitForFinished(kWaitMs));
    EXPECT_FALSE(third.readAllStandardError().contains("already running"));
    EXPECT_EQ(h.iniNow(), h.ini);
}

}  // namespace
