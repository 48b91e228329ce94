#pragma once
// A window model over fake services and a temporary settings directory.

#include "platform/Fakes.h"
#include "shell/IniFile.h"
#include "shell/Principal.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <stdexcept>

namespace velorix::testing {

struct FormFixture {
    fakes::FakePlatform fakes;
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    QString path(const QString& file) const { return dir.filePath(file); }

    void writeFile(const QString& file, const QByteArray& bytes) const {
        QFile f(path(file));
        if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write test file");
        f.write(bytes);
    }

    QByteArray readFile(const QString& file) const {
        QFile f(path(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString appIni(const QString& key) const {
        return IniFile::load(path("app.ini")).readString("config", key, "<missing>");
    }

    // Builds the form; `platform` defaults to the fakes.
    TForm1& make(std::optional<Platform> platform = std::nullopt) {
        FormOptions opt;
        opt.dir = dir.path();
        opt.executablePath = "/nonexistent/velorix";
        form = std::make_unique<TForm1>(platform ? *platform : fakes.platform(), opt);
        return *form;
    }

    // Builds the form and runs its start-up (no Banco.ini: the database part only logs).
    TForm1& start(std::optional<Platform> platform = std::nullopt) {
        make(std::move(platform)).FormCreate();
        return *form;
    }
};

}  // namespace velorix::testing
