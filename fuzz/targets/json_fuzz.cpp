// The JSON text writer: whatever texts and numbers go in, the document is valid UTF-8 JSON that
// parses back to the same texts and numbers (15 significant digits).
#include "fuzz/targets/FuzzCheck.h"
#include "uploads/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QStringDecoder>
#include <cmath>
#include <cstring>
#include <vector>

namespace velorix::fuzz {

namespace {

class Input {
public:
    Input(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool empty() const { return pos_ >= n_; }
    uint8_t byte() { return pos_ < n_ ? d_[pos_++] : 0; }
    // Texts as raw UTF-16 code units, lone surrogates included.
    QString text() {
        const size_t len = byte();
        QString s;
        for (size_t i = 0; i < len && pos_ + 1 < n_; ++i, pos_ += 2) s += QChar(char16_t(d_[pos_] | (d_[pos_ + 1] << 8)));
        return s;
    }
    double number() {
        double v = 0;
        uint8_t raw[8] = {};
        for (uint8_t& b : raw) b = byte();
        std::memcpy(&v, raw, sizeof v);
        return v;
    }

private:
    const uint8_t* d_;
    size_t n_;
    size_t pos_ = 0;
};

// What a text can be after a trip through UTF-8: a lone surrogate has no UTF-8 form. A leading
// U+FEFF is part of the text (QString::fromUtf8 would drop it).
QString throughUtf8(const QString& s) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8(s.toUtf8());
}

// Qt 6.4's parser drops one leading U+FEFF from a string without escapes (it decodes those with
// QString::fromUtf8) and keeps it otherwise; the bytes written hold it either way.
bool sameText(const QString& written, const QString& parsed) {
    return parsed == written || (written.startsWith(QChar(0xFEFF)) && parsed == written.mid(1));
}

struct Open {
    bool object;
    QJsonObject obj;
    QJsonArray arr;
    QString key;
};

void sameValue(const QJsonValue& want, const QJsonValue& got);

void sameArray(const QJsonArray& want, const QJsonArray& got) {
    FUZZ_CHECK(want.size() == got.size());
    for (qsizetype i = 0; i < want.size(); ++i) sameValue(want[i], got[i]);
}

void sameValue(const QJsonValue& want, const QJsonValue& got) {
    if (want.isObject()) {
        FUZZ_CHECK(got.isObject());
        const QJsonObject w = want.toObject(), g = got.toObject();
        // Members gathered by iteration: Qt 6.4 orders a parsed object by code point and a built one
        // by UTF-16 unit, so keys() and lookups by key disagree between the two.
        auto members = [](const QJsonObject& o) {
            QMap<QString, QJsonValue> m;
            for (auto i = o.begin(); i != o.end(); ++i) m.insert(i.key(), i.value());
            return m;
        };
        const QMap<QString, QJsonValue> wm = members(w), gm = members(g);
        FUZZ_CHECK(wm.keys() == gm.keys());
        for (auto i = wm.begin(); i != wm.end(); ++i) sameValue(i.value(), gm.value(i.key()));
    } else if (want.isArray()) {
        FUZZ_CHECK(got.isArray());
        sameArray(want.toArray(), got.toArray());
    } else if (want.isString()) {
        if (!got.isString() || !sameText(want.toString(), got.toString())) {
            std::fprintf(stderr, "wrote \"%s\", read \"%s\"\n", want.toString().toUtf8().toHex(' ').constData(),
                         got.toString().toUtf8().toHex(' ').constData());
        }
        FUZZ_CHECK(got.isString() && sameText(want.toString(), got.toString()));
    } else if (want.isNull()) {
        FUZZ_CHECK(got.isNull());  // a number with no JSON form
    } else {
        FUZZ_CHECK(want.isDouble() && got.isDouble());
        const double w = want.toDouble(), r = got.toDouble();
        FUZZ_CHECK(std::isfinite(r));
        FUZZ_CHECK(std::fabs(r - w) <= std::fabs(w) * 1e-14);
    }
}

}  // namespace

int FuzzJsonText(const uint8_t* data, size_t size) {
    Input in(data, size);
    QByteArray out;
    JsonText json(out);
    // The expected tree, built alongside.
    std::vector<Open> stack;
    int keyCount = 0;

    json.beginArray();
    stack.push_back({false, {}, {}, {}});
    auto add = [&](const QJsonValue& v) {
        Open& top = stack.back();
        if (top.object) top.obj.insert(top.key, v);
        else top.arr.append(v);
    };
    auto keyIfObject = [&]() {
        if (!stack.back().object) return;
        // keys made unique, so the parsed object keeps every member
        // (member names are the program's own ASCII names; a leading U+FEFF, which Qt's parser may
        // drop, is kept out so the names compare exactly)
        const QString k = "k" + in.text() + "#" + QString::number(keyCount++);
        json.key(k);
        stack.back().key = throughUtf8(k);
    };
    while (!in.empty()) {
        switch (in.byte() % 5) {
        case 0: {
            keyIfObject();
            const QString s = in.text();
            json.string(s);
            add(throughUtf8(s));
            break;
        }
        case 1: {
            keyIfObject();
            const double v = in.number();
            json.number(v);
            add(std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null));
            break;
        }
        case 2:
        case 3:
            if (stack.size() >= 200) break;
            keyIfObject();
            if (in.byte() & 1) json.beginObject(), stack.push_back({true, {}, {}, {}});
            else json.beginArray(), stack.push_back({false, {}, {}, {}});
            break;
        case 4:
            if (stack.size() == 1) break;
            Open done = std::move(stack.back());
            stack.pop_back();
            if (done.object) json.endObject(), add(done.obj);
            else json.endArray(), add(done.arr);
            break;
        }
    }
    while (stack.size() > 1) {
        Open done = std::move(stack.back());
        stack.pop_back();
        if (done.object) json.endObject(), add(done.obj);
        else json.endArray(), add(done.arr);
    }
    json.endArray();

    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(out);
    FUZZ_CHECK(!utf8.hasError());
    (void)decoded;

    if (std::getenv("FUZZ_DUMP")) std::fprintf(stderr, "%s\n", out.constData());
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(out, &err);
    if (err.error != QJsonParseError::NoError) std::fprintf(stderr, "%s\n", qPrintable(err.errorString()));
    FUZZ_CHECK(err.error == QJsonParseError::NoError);
    FUZZ_CHECK(doc.isArray());

    sameArray(stack.back().arr, doc.array());
    return 0;
}

}  // namespace velorix::fuzz

VELORIX_FUZZ_ENTRY(velorix::fuzz::FuzzJsonText)
