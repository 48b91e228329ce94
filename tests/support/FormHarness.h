#pragma once
// A TForm1 over faked platform services and a temporary settings directory.

#include "platform/Fakes.h"
#include "shell/IniFile.h"
#include "shell/Principal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <optional>

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

    QString appIni(const QString& key) const {
        return IniFile::load(path("app.ini")).readString("config", key, "<missing>");
    }

    // Builds the form without starting it; `platform` defaults to the fakes.
    TForm1& build(std::optional<Platform> platform = std::nullopt) {
        FormOptions opt;
        opt.dir = dir.path();
        opt.executablePath = "/nonexistent/velorix";
        opt.httpConnectTimeoutMs = 3000;
        opt.httpTotalTimeoutMs = 5000;
        form = std::make_unique<TForm1>(platform ? *platform : fakes.platform(), opt);
        return *form;
    }

    // Builds the form and runs its start-up sequence (no Banco.ini: the database part only logs).
    TForm1& make(std::optional<Platform> platform = std::nullopt) {
        build(std::move(platform)).FormCreate();
        return *form;
    }
    TForm1& start(std::optional<Platform> platform = std::nullopt) { return make(std::move(platform)); }
};

}  // namespace velorix::testing
