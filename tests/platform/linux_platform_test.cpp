// The Linux services: start-at-logon entry, system name, single-instance lock.
#include "platform/linux/LinuxPlatform.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace velorix::linux_platform;

namespace {

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(XdgAutostart, CreatedOnceKeptWhenPresentRemovedWhenUnticked) {
    QTemporaryDir home;
    const QString dir = home.filePath("config/autostart");  // made on first use
    XdgAutostart a("/opt/velorix/bin/velorix", dir);
    const QString entry = dir + "/Velorix.desktop";
    EXPECT_EQ(a.entryPath("Velorix"), entry);

    a.apply("Velorix", false);  // nothing to remove is not an error
    EXPECT_FALSE(QFileInfo::exists(entry));

    a.apply("Velorix", true);
    const QByteArray created = read(entry);
    EXPECT_TRUE(created.startsWith("[Desktop Entry]\n")) << created.toStdString();
    EXPECT_TRUE(created.contains("\nType=Application\n"));
    EXPECT_TRUE(created.contains("\nName=Velorix\n"));
    EXPECT_TRUE(created.contains("\nExec=\"/opt/velorix/bin/velorix\"\n"));
    EXPECT_TRUE(created.contains("\nPath=/opt/velorix/bin\n"));
    EXPECT_TRUE(a.isRegistered("Velorix"));

    // an entry already there is not rewritten, even when it points elsewhere
    write(entry, "[Desktop Entry]\nType=Application\nName=Velorix\nExec=/elsewhere\n");
    a.apply("Velorix", true);
    EXPECT_EQ(read(entry), "[Desktop Entry]\nType=Application\nName=Velorix\nExec=/elsewhere\n");

    a.apply("Velorix", false);
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_FALSE(a.isRegistered("Velorix"));
}

TEST(XdgAutostart, ExecQuotesThePathAndArguments) {
    QTemporaryDir dir;
    XdgAutostart a("/home/loja/Meus Programas/velo\"rix 100%", dir.path(), {"--dir", "/srv/$loja"});
    a.apply("Velorix", true);
    const QByteArray text = read(a.entryPath("Velorix"));
    // quoting escapes the quote and the dollar; the string escape then doubles each backslash;
    // "%" is doubled so it is not read as a field code
    EXPECT_TRUE(text.contains("\nExec=\"/home/loja/Meus Programas/velo\\\\\"rix 100%%\" \"--dir\" \"/srv/\\\\$loja\"\n"))
        << text.toStdString();
}

TEST(XdgAutostart, AnEntryThatCannotBeWrittenThrows) {
    QTemporaryDir dir;
    write(dir.filePath("autostart"), "not a folder");
    XdgAutostart a("/opt/velorix/velorix", dir.filePath("autostart"));
    try {
        a.apply("Velorix", true);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Velorix'");
    }
}

TEST(OsRelease, PrettyNameIsTheProductName) {
    const std::pair<QByteArray, QString> cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME='Ubuntu 24.04 LTS'\n", "Ubuntu 24.04 LTS"},
        {"PRETTY_NAME=Arch\n", "Arch"},
        {"PRETTY_NAME=\"Loja \\\"Centro\\\" \\$1\"\n", "Loja \"Centro\" $1"},
        {"NAME=Sem\n", ""},
    };
    for (const auto& [text, name] : cases) {
        QTemporaryDir dir;
        write(dir.filePath("os-release"), text);
        EXPECT_EQ(OsReleaseSystemInfo(dir.filePath("os-release")).productName(), name) << text.toStdString();
    }
    QTemporaryDir dir;
    EXPECT_EQ(OsReleaseSystemInfo(dir.filePath("missing")).productName(), "");
}

TEST(FileLockInstance, HeldUntilReleasedThenFreeForTheNextCopy) {
    QTemporaryDir dir;
    const QString name = "{357E4934-119E-4245-9838-59D0D7718500}";
    FileLockInstance first(dir.path());
    FileLockInstance second(dir.path());
    EXPECT_FALSE(first.isAlreadyRunning(name));
    EXPECT_TRUE(second.isAlreadyRunning(name));
    EXPECT_FALSE(first.isAlreadyRunning(name));  // asking again keeps the lock
    first.release();
    EXPECT_FALSE(second.isAlreadyRunning(name));
    EXPECT_TRUE(first.isAlreadyRunning(name));
}

}  // namespace
