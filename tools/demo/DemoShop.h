#pragma once
// The demo shop: a small mini-market with a snack bar and an electronics corner, written into a
// fresh ERP database. Everything follows from the seed, the size and the day taken as today, so
// the same three give the same database.

#include <QDate>

#include <cstdint>
#include <map>
#include <string>

namespace velorix::demo {

class FbDatabase;

struct DemoOptions {
    std::uint64_t seed = 1;
    // Counter sales over the year before today (today included). The other tables grow with it:
    // about three items per sale, one NF-e for every 40 sales, customers, products, bills.
    int sales = 6000;
    QDate today = QDate::currentDate();
    // Years of history before today; the sales spread over all of them.
    int years = 1;
    // Products in the catalogue and NF-e over the whole history; 0 follows the sales.
    int products = 0;
    int nfe = 0;
};

// Rows written per table.
using DemoCounts = std::map<std::string, std::int64_t>;

// Creates the schema, loads the shop and builds the indexes. `db` is a database just created.
DemoCounts generateDemoShop(FbDatabase& db, const DemoOptions& options);

// The shop's CNPJ for a seed (digits only, with valid check digits).
std::string demoCnpj(std::uint64_t seed);

}  // namespace velorix::demo
