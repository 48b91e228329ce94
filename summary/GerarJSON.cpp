// The summary document's text, and the window's build of it over the ERP.
#include "summary/GerarJSON.h"

#include "shell/Formats.h"
#include "shell/Principal.h"

#include <QSqlError>

namespace velorix {

namespace {

// "indent n": three spaces and n tabs.
QString recuo(int n) { return QStringLiteral("   ") + QString(n, QLatin1Char('\t')); }

QString chave(const QString& k) { return QLatin1Char('"') + k + QStringLiteral("\": "); }

// An empty figure (sales switches off, a report field never written) would leave nothing
// between the colon and the next separator; the unit's own text for nothing is "0".
QString numero(const QString& v) { return v.isEmpty() ? QStringLiteral("0") : v; }

QString aspas(const QString& v) { return QLatin1Char('"') + TextoJson(v) + QLatin1Char('"'); }

QString valor(const MembroResumo& m) {
    return m.forma == MembroResumo::Texto ? aspas(m.texto()) : numero(m.texto());
}

void escreve(QString& out, const std::vector<MembroResumo>& membros, int d) {
    for (size_t i = 0; i < membros.size(); ++i) {
        const MembroResumo& m = membros[i];
        const QString inicio = (m.semRecuo ? QString() : recuo(d)) + chave(m.chave);
        switch (m.forma) {
            case MembroResumo::Numero:
            case MembroResumo::Texto:
                out += inicio + valor(m);
                break;
            case MembroResumo::Objeto:
                out += inicio + QStringLiteral("{ ");
                escreve(out, m.membros, d + 1);
                out += recuo(d) + QLatin1Char('}');
                break;
            case MembroResumo::Caixas:
                out += inicio + QLatin1Char('[') + m.texto() + QStringLiteral(" ]");
                break;
            case MembroResumo::Produtos:
                out += inicio + QLatin1Char('[');
                for (size_t k = 0; k < m.membros.size(); ++k) {
                    const auto& par = m.membros[k].membros;
                    if (k > 0) out += QStringLiteral(", ");
                    out += QStringLiteral("{     ") + chave(par[0].chave) + valor(par[0]) + QStringLiteral(",     ") +
                           chave(par[1].chave) + valor(par[1]) + QStringLiteral(" }");
                }
                out += QStringLiteral(" ]");
                break;
            case MembroResumo::Diario: {
                // Its own separators: nothing follows its closing comma.
                const QString tabs(d, QLatin1Char('\t'));
                const QString dentro(d + 1, QLatin1Char('\t'));
                const auto& v = m.membros;
                out += tabs + QStringLiteral("    \"") + m.chave + QStringLiteral("\":{") + dentro + QStringLiteral("  ") +
                       chave(v[0].chave) + valor(v[0]) + QLatin1Char(',') + dentro + QStringLiteral("  ") +
                       chave(v[1].chave) + valor(v[1]) + tabs + QStringLiteral("  },");
                continue;
            }
            case MembroResumo::UmObjeto:
                out += inicio + QStringLiteral("[{ ");
                escreve(out, m.membros, d + 2);
                out += recuo(d + 1) + QStringLiteral("}  ") + recuo(d) + QLatin1Char(']');
                break;
        }
        out += i + 1 < membros.size() ? QStringLiteral(", ") : QStringLiteral(" ");
    }
}

}  // namespace

QString EscreveResumo(const std::vector<MembroResumo>& raiz) {
    QString out;
    out.reserve(8192);
    out += QStringLiteral("   {  ");
    escreve(out, raiz, 1);
    out += QStringLiteral("   } ");
    return out;
}

QString TForm1::GerarJSON() {
    // The whole build runs in one transaction, ended on every path: two hundred statements each
    // starting and committing its own cost the server more than the statements themselves, and
    // the figures all come from one snapshot.
    struct OneTransaction {
        ErpQuery& qry;
        QSqlDatabase db;
        bool started;
        explicit OneTransaction(ErpQuery& q) : qry(q), db(q.database()), started(db.isOpen() && db.transaction()) {}
        void commit() {
            qry.close();
            if (started && !db.commit()) {
                started = false;
                throw DbError(db.lastError().text().toStdString());
            }
            started = false;
        }
        ~OneTransaction() {
            qry.close();
            if (started) db.rollback();
        }
    };
    try {
        OneTransaction transaction(qryAux);
        const QString documento = MontarResumo(Consultas, qryAux);
        // Ends the last statement and the transaction; nothing of the build stays open on the ERP.
        transaction.commit();
        return documento;
    } catch (const std::exception& e) {
        log("Falha ao Criar JSON - " +
            FormatDateTime("dd/mm/yyyy hh:mm:ss", platform_.clock->now(), platform_.regional->settings()));
        log(QString::fromUtf8(e.what()));
        return {};
    }
}

}  // namespace velorix
