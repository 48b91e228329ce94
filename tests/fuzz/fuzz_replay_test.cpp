#include "fuzz/targets/FuzzCheck.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using Target = int (*)(const uint8_t*, size_t);

struct Case {
    const char* name;
    Target fn;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class FuzzReplay : public ::testing::TestWithParam<Case> {};

// A broken property aborts the binary, so a failing input fails the test run with its file named
// on stderr just before.
TEST_P(FuzzReplay, SeedsAndKeptCrashesKeepEveryProperty) {
    const Case c = GetParam();
    int inputs = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const QDir dir(QStringLiteral(VELORIX_FUZZ_DIR "/%1/%2").arg(kind, c.name));
        for (const QString& f : dir.entryList(QDir::Files)) {
            QFile file(dir.filePath(f));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << f.toStdString();
            const QByteArray data = file.readAll();
            std::fprintf(stderr, "replaying %s\n", qPrintable(dir.filePath(f)));
            c.fn(reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size()));
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0) << "no seeds for " << c.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         ::testing::Values(Case{"ini", velorix::fuzz::FuzzIniFile}, Case{"crypt", velorix::fuzz::FuzzCrypt},
                                           Case{"form", velorix::fuzz::FuzzFormEncoding},
                                           Case{"json", velorix::fuzz::FuzzJsonText}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
