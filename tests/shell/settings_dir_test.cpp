// Which directory holds Banco.ini and app.ini when no --dir is given.
#include "shell/SettingsDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velorix;

namespace {

void touch(const QString& dir, const char* file) {
    QFile f(QDir(dir).filePath(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(SettingsDir, ProgramDirUnlessItCannotBeWrittenOrTheUserHasTheSettings) {
    const struct {
        const char* name;
        bool writable;
        const char* programFile;  // nullptr: none
        const char* userFile;
        bool expectProgramDir;
    } cases[] = {
        {"fresh build directory", true, nullptr, nullptr, true},
        {"settings beside the program", true, "app.ini", nullptr, true},
        {"settings in both places", true, "Banco.ini", "Banco.ini", true},
        {"installed, run by root, settings in ~/.config", true, nullptr, "Banco.ini", false},
        {"installed, app.ini only in ~/.config", true, nullptr, "app.ini", false},
        {"installed, read-only program dir", false, nullptr, nullptr, false},
        {"read-only program dir with a Banco.ini", false, "Banco.ini", nullptr, false},
    };
    for (const auto& c : cases) {
        QTemporaryDir program, user;
        ASSERT_TRUE(program.isValid() && user.isValid());
        if (c.programFile) touch(program.path(), c.programFile);
        if (c.userFile) touch(user.path(), c.userFile);
        const QString got = chooseSettingsDir(program.path(), c.writable, user.path());
        EXPECT_EQ(got, c.expectProgramDir ? program.path() : user.path()) << c.name;
    }
}

TEST(SettingsDir, UserDirFollowsXdgConfigHome) {
    QTemporaryDir home;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const QString dir = userSettingsDir();
    if (old.isNull()) qunsetenv("XDG_CONFIG_HOME");
    else qputenv("XDG_CONFIG_HOME", old);
    EXPECT_EQ(dir, QDir(home.path()).filePath("velorix"));
}

}  // namespace
