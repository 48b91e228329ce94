// velorix-demo-db: writes a demo shop into a new ERP database, for demos and benchmarks.

#include "tools/demo/DemoShop.h"
#include "tools/demo/FbWriter.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <exception>

using namespace velorix::demo;

namespace {

int fail(const QString& text) {
    std::fprintf(stderr, "velorix-demo-db: %s\n", text.toLocal8Bit().constData());
    return 1;
}

bool isLocalPath(const QString& attach) {
    // host:path and host/port:path go to a server; a plain path opens the embedded engine.
    const int colon = attach.indexOf(':');
    return colon < 0 || attach.startsWith('/') || attach.startsWith('.');
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("velorix-demo-db");
    QCoreApplication::setApplicationVersion(VELORIX_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Creates a Firebird ERP database holding a demo shop: a year (or --years) of counter sales up to today, NF-e and\n"
        "NFC-e notes, cash registers (two open today), cash book, receivables, payables, purchases, serial\n"
        "items. The same seed, size and day give the same data.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("database", "A local file (embedded engine) or host[/port]:path on a server.");
    parser.addOption({"seed", "Seed of the data (default 1).", "n", "1"});
    parser.addOption({"sales", "Counter sales over the whole history: the shop's size (default 6000; ~300000 for a large shop).",
                      "n", "6000"});
    parser.addOption({"years", "Years of history up to today (default 1).", "n", "1"});
    parser.addOption({"products", "Products in the catalogue (default: grows with the sales, up to 3000).", "n", "0"});
    parser.addOption({"nfe", "NF-e over the whole history (default: one for every 40 sales).", "n", "0"});
    parser.addOption({"today", "The day taken as today, yyyy-mm-dd (default: the current date).", "date"});
    parser.addOption({"user", "Database user (default SYSDBA).", "name", "SYSDBA"});
    parser.addOption({"password", "Database password (not needed for the embedded engine).", "password"});
    parser.addOption({"force", "Replace an existing local file."});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        parser.showHelp(2);
    }
    const QString attach = args.first();

    DemoOptions options;
    bool ok = false;
    options.seed = parser.value("seed").toULongLong(&ok);
    if (!ok) return fail("bad --seed " + parser.value("seed"));
    options.sales = parser.value("sales").toInt(&ok);
    if (!ok || options.sales < 1) return fail("bad --sales " + parser.value("sales"));
    options.years = parser.value("years").toInt(&ok);
    if (!ok || options.years < 1 || options.years > 50) return fail("bad --years " + parser.value("years"));
    options.products = parser.value("products").toInt(&ok);
    if (!ok || options.products < 0) return fail("bad --products " + parser.value("products"));
    options.nfe = parser.value("nfe").toInt(&ok);
    if (!ok || options.nfe < 0) return fail("bad --nfe " + parser.value("nfe"));
    if (parser.isSet("today")) {
        options.today = QDate::fromString(parser.value("today"), Qt::ISODate);
        if (!options.today.isValid()) return fail("bad --today " + parser.value("today"));
    }

    if (isLocalPath(attach) && QFileInfo::exists(attach)) {
        if (!parser.isSet("force")) return fail(attach + " exists (--force replaces it)");
        if (!QFile::remove(attach)) return fail("cannot remove " + attach);
    }

    QElapsedTimer timer;
    timer.start();
    try {
        FbDatabase db = FbDatabase::create(attach.toStdString(), parser.value("user").toStdString(),
                                           parser.value("password").toStdString());
        DemoCounts counts;
        try {
            counts = generateDemoShop(db, options);
            db.finish();
        } catch (...) {
            db.drop();
            throw;
        }
        std::printf("%s: demo shop, CNPJ %s, seed %llu, today %s\n", attach.toLocal8Bit().constData(),
                    demoCnpj(options.seed).c_str(), static_cast<unsigned long long>(options.seed),
                    options.today.toString(Qt::ISODate).toLatin1().constData());
        std::int64_t total = 0;
        for (const auto& [table, rows] : counts) {
            std::printf("  %-18s %9lld\n", table.c_str(), static_cast<long long>(rows));
            total += rows;
        }
        std::printf("  %lld rows in %.1f s\n", static_cast<long long>(total), timer.elapsed() / 1000.0);
    } catch (const std::exception& e) {
        return fail(QString::fromUtf8(e.what()));
    }
    return 0;
}
