#pragma once
// The table-like detail uploads as data: each routine is its statement, list key, endpoint file,
// record keys with the column and conversion behind each, and its activity-log texts. One
// procedure runs them all.

#include <QString>
#include <vector>

namespace velorix {

class TForm1;

enum class Conversion {
    Text,            // the column's text; integers as digits, CHAR padding dropped, NULL empty
    Number,          // the column read as a double, written as a JSON number (NULL 0)
    DateTime,        // "yyyy-mm-dd hh:nn:ss" (NULL: the zero date-time)
    Time,            // "hh:nn:ss"
    ClockMonthYear,  // no column: "mmyyyy" of the clock when the routine started
};

struct DetailField {
    QString key;
    QString column;
    Conversion conversion;
};

struct DetailRoutine {
    QString statement;
    // The statement holds "/*ordem*/" where the order clause belongs (assembled through vSql1/vOrdem).
    bool orderPlaceholder = false;
    QString listKey;
    QString endpointFile;
    std::vector<DetailField> fields;
    QString successPrefix;
    QString noRowsLine;
    QString failurePrefix;  // empty: the bare error message
    // The best-seller upload: TLS 1.0 to 1.2, its own time-outs, the request trapped apart
    // ("Erro HTTP: ", "Erro: ") from the rest ("Erro geral: ").
    bool bestSeller = false;
};

// Runs one upload: statement over the sync period, records, envelope, POST, one log line.
// Never throws; every failure ends in a log line.
void RunDetailUpload(TForm1& form, const DetailRoutine& routine);

}  // namespace velorix
