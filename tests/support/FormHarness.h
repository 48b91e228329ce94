#pragma once
// A TForm1 over faked platform services and a temporary settings directory.

#include "platform/Fakes.h"
#include "shell/Principal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace velorix::testing {

struct FormHarness {
    QTemporaryDir dir;
    fakes::FakePlatform fakes;
    std::unique_ptr<TForm1> form;

    FormHarness() {
        fakes.regional->value = RegionalSettings{'/', ':', ',', "dd/MM/yyyy", "HH:mm:ss"};
    }

    QString path(const QString& file) const { return QDir(dir.path()).filePath(file); }

    void write(const QString& file, const QByteArray& text) const {
        QFile f(path(file));
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }

    QByteArray read(const QString& file) const {
        QFile f(path(file));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

    // Builds the form; with create, runs the start-up sequence too.
    TForm1& make(bool create = true) {
        FormOptions opt;
        opt.dir = dir.path();
        opt.executablePath = "/nonexistent/velorix";
        opt.httpConnectTimeoutMs = 3000;
        opt.httpTotalTimeoutMs = 5000;
        form = std::make_unique<TForm1>(fakes.platform(), opt);
        if (create) form->FormCreate();
        return *form;
    }
};

}  // namespace velorix::testing
