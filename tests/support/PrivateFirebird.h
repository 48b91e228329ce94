#pragma once
// A Firebird server of the test's own, so that a test can stop the server under the program and
// start it again without touching the shared test server that other tests and people use.
//
// It runs the installed SuperServer binary (/usr/sbin/firebird) as a child process with its own
// root directory (FIREBIRD: a copy of the installation's configuration files with its own port
// and a copy of the security database, so SYSDBA has the shared server's password), its own lock
// and temporary directories, and a databases directory, all inside one temporary directory that
// goes away with the object. The child dies with the test process (PR_SET_PDEATHSIG), so a
// crashed test leaves no server behind.

#include "ErpFixture.h"

#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <mutex>
#include <sys/types.h>

namespace velorix::testing {

class PrivateFirebird {
public:
    // Sets the instance up and starts it. Throws std::runtime_error saying why when it cannot.
    // Paths come from VELORIX_FB_SERVER_BIN (/usr/sbin/firebird), VELORIX_FB_ROOT
    // (/usr/lib/x86_64-linux-gnu/firebird/3.0) and VELORIX_FB_SECURITY_DB
    // (/var/lib/firebird/3.0/system/security3.fdb, readable by root and the firebird user only).
    // VELORIX_FB_KEEP=1 leaves the directory in place for a look afterwards.
    explicit PrivateFirebird(std::chrono::milliseconds startTimeout = std::chrono::seconds(20));
    ~PrivateFirebird();
    PrivateFirebird(const PrivateFirebird&) = delete;
    PrivateFirebird& operator=(const PrivateFirebird&) = delete;

    // Starts the server (again) on the same port and waits until it accepts connections.
    // Throws std::runtime_error, with the server's output, when it does not within the time-out.
    void start();
    // Ends the server with `signal` and waits until the process is gone (a SIGTERM that is not
    // obeyed in time is followed by SIGKILL). Harmless when it is not running. May be called from
    // any thread, e.g. from a callback of the panel stand-in while the program waits for it.
    void stop(int signal = SIGKILL);
    bool running() const;

    // Where ErpFixture creates its databases on this server.
    FbServer server() const;
    int port() const { return port_; }
    QString serverOutput() const;

private:
    void writeConfiguration();

    QTemporaryDir dir_;
    int port_ = 0;
    QString password_;
    std::chrono::milliseconds startTimeout_;
    mutable std::mutex mutex_;
    pid_t pid_ = -1;
};

}  // namespace velorix::testing
