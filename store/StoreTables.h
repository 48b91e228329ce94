#pragma once
// The two store tables as the store link uses them: pending orders in `pedido_loja`, and the
// stock rows of `produto_estoque`, read whole and written back one product at a time.

#include <QString>
#include <QVariant>

#include <memory>

struct st_mysql;

namespace velorix::store {

// The fixed identifiers every stock row is filed under (one register, one size, one colour).
inline constexpr const char* kRegistro = "161719314835328";
inline constexpr const char* kTamanho = "161719309820536";
inline constexpr const char* kCor = "161719287792587";

// Rows of the pending-order statement (status 0 or 4). Throws StoreError.
qint64 pendingOrderCount(st_mysql* mysql);

// A stock quantity in whole units, a value exactly halfway going to the even neighbour. Takes a
// number (the ERP driver delivers scaled decimals as doubles, exact at every half below 2^53
// millionths) or decimal text, rounded from its own digits; NULL gives 0. Throws
// std::invalid_argument on anything else.
qint64 roundHalfEven(const QVariant& quantity);

// A snapshot of `produto_estoque` taken by the constructor (the whole table, every column in its
// own type) and the writes of one stock push. Rows are found by `produto` through a map built
// once: the first row (in the order the server returned them) whose `produto` equals the barcode
// byte for byte, NULL counting as empty text. Rows are identified for the update by the table's
// primary key, or by all their values when it has none. Throws StoreError.
class StockTable {
public:
    explicit StockTable(st_mysql* mysql);
    ~StockTable();
    StockTable(const StockTable&) = delete;
    StockTable& operator=(const StockTable&) = delete;

    // Writes one product: updates the row found for `barcode` with all its columns (the fixed
    // identifiers, the barcode and the quantity set, the others as read), or inserts a new row.
    // Each write commits on its own.
    void post(const QString& barcode, qint64 quantidade);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace velorix::store
