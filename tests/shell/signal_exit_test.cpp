// The program with an event loop ends cleanly on SIGTERM and SIGINT while it holds the ERP
// connection open on the embedded engine.
#include "tests/support/ErpFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(SignalExit, HeadlessEndsOnStopSignalsWithTheDatabaseOpen) {
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        auto erp = velorix::testing::ErpFixture::createEmbedded(dir.filePath("erp.fdb"));
        erp->insert("empresa", {{"codigo", 1}, {"cnpj", "11222333000181"}, {"fantasia", "LOJA"}, {"razao", "LOJA LTDA"}});
        // The embedded engine opens a database for one process at a time: let it go.
        const QString path = erp->path();
        erp->keep();
        erp.reset();
        {
            QFile f(dir.filePath("Banco.ini"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(("[BD]\nUSER=SYSDBA\nPASS=x\nIP=\nPath=" + path + "\n").toUtf8());
        }
        QDir(dir.path()).mkdir("run");

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
        // Under the sanitizer build, the leak check at exit can crash in its own thread tracer over
        // the embedded engine's threads; memory errors are still checked.
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        p.setProcessEnvironment(env);
        p.start(VELORIX_EXE, {"--dir", dir.path(), "--headless"});
        p.setReadChannel(QProcess::StandardError);
        ASSERT_TRUE(p.waitForStarted());
        // This line comes after start-up, with the connection open.
        QByteArray err;
        while (!err.contains("waiting for a signal") && p.waitForReadyRead(30000)) err += p.readAllStandardError();
        if (!err.contains("waiting for a signal")) {
            p.kill();
            p.waitForFinished();
            FAIL() << "no start-up: " << err.constData();
        }
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());  // no connection failure logged

        ::kill(pid_t(p.processId()), sig);
        const bool ended = p.waitForFinished(30000);
        if (!ended) p.kill(), p.waitForFinished();
        ASSERT_TRUE(ended) << "still running 30 s after the signal";
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    }
}

}  // namespace
