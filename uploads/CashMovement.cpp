#include "uploads/CashMovement.h"

#include "metrics/ErpQuery.h"
#include "metrics/uConsultas.h"
#include "shell/Principal.h"
#include "summary/FormClient.h"
#include "uploads/DetailTransport.h"
#include "uploads/JsonText.h"

#include <stdexcept>

namespace velorix {

namespace {

const char* const kCaixasAbertos =
    "select c.codigo, c.descricao, c.data_abertura, c.id_usuario, u.login usuario, c.lote from contas c inner join "
    "usuarios u on c.id_usuario=u.codigo where (c.tipo='S') and (c.situacao='A') ";

// Three numbers joined by `sep`, as the register's date and time texts are written.
bool splitThree(const QString& text, QChar sep, int out[3]) {
    const QStringList parts = text.trimmed().split(sep);
    if (parts.size() != 3) return false;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        out[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return false;
    }
    return true;
}

// The opening date (day/month/year with the regional separator) as "yyyy-mm-dd".
QString dataISO(const QString& text, QChar sep) {
    int dmy[3];
    const QDate d = splitThree(text, sep, dmy) ? QDate(dmy[2], dmy[1], dmy[0]) : QDate();
    if (!d.isValid()) throw std::runtime_error(("'" + text + "' is not a valid date").toStdString());
    return QString::asprintf("%04d-%02d-%02d", d.year(), d.month(), d.day());
}

// The opening time (hours, minutes, seconds with the regional separator) as "HH:MM:SS".
QString horaISO(const QString& text, QChar sep) {
    int hms[3];
    const QTime t = splitThree(text, sep, hms) ? QTime(hms[0], hms[1], hms[2]) : QTime();
    if (!t.isValid()) throw std::runtime_error(("'" + text + "' is not a valid time").toStdString());
    return QString::asprintf("%02d:%02d:%02d", t.hour(), t.minute(), t.second());
}

}  // namespace

QString ListaCaixasAbertos_2(TForm1& form) {
    QString sJSON;
    bool firstItem = true;
    const RegionalSettings rs = form.platform().regional->settings();
    // CXAbertos fills the record of the unit object it runs on; this list reads it back at once.
    uConsultas consultas(contextoDe(form));

    ErpQuery qryCX(form.conexao().database());
    ErpQuery qryDetalhe(form.conexao().database());
    qryCX.setSql(kCaixasAbertos);
    qryCX.open();
    while (!qryCX.eof()) {
        consultas.CXAbertos(qryDetalhe, int(qryCX.fieldByName("codigo").asInteger()));
        const caixasAbertos& cx = consultas.CXAberto;
        const QString data = dataISO(cx.dataAbertura, rs.dateSeparator);
        const QString hora = horaISO(cx.horaAbertura, rs.timeSeparator);
        if (!firstItem) sJSON += ",";
        // The login is written as a JSON string: a quote or a backslash in it must not break
        // the document.
        QByteArray usuario;
        AppendJsonString(usuario, cx.usuario);
        sJSON += "{\"usuario\": " + QString::fromUtf8(usuario) + ", \"horaAbertura\": \"" + hora +
                 "\", \"dataAbertura\": \"" + data + "\", \"saldoInicial\": " + cx.saldoInicial +
                 ", \"saldoAtual\": " + cx.saldoAtual + ", \"Entradas\": " + cx.Entradas + ", \"saidas\": " + cx.saidas +
                 ", \"dinheiro\": " + cx.dinheiro + ", \"credito\": " + cx.credito + ", \"debito\": " + cx.debito +
                 ", \"cheque\": " + cx.cheque + ", \"convenio\": " + cx.convenio + ", \"vRefeicao\": " + cx.vRefeicao +
                 ", \"vCombustivel\": " + cx.vCombustivel + " }";
        firstItem = false;
        qryCX.next();
    }
    qryCX.close();
    qryDetalhe.close();
    return "{\"movimentacao\": [" + sJSON + "]}";
}

void TForm1::consultarMovimentacaoCaixa() {
    try {
        DetailRequestOptions options;
        options.caFile = IdHTTP1().caFile();
        options.connectTimeoutMs = detailConnectTimeoutMs;
        options.readTimeoutMs = detailReadTimeoutMs;
        options.totalTimeoutMs = detailTotalTimeoutMs;
        const QByteArray body = ListaCaixasAbertos_2(*this).toUtf8();
        try {
            const QString url = edtEmpresa.Text + "/" + vCNPJ + "/" + "api_abertura_caixa.php";
            log("CAIXA : " + PostJson(url, body, options));
        } catch (const std::exception& e) {
            log("Erro CAIXA: " + QString::fromUtf8(e.what()));
        }
    } catch (const std::exception& e) {
        log(QStringLiteral("Erro geral ao consultar movimentação de caixa: ") + QString::fromUtf8(e.what()));
    }
}

}  // namespace velorix
